#include "cli/bids/robust_fences.h"

#include <algorithm>
#include <cmath>

namespace quorvel::cli {

double interpolatedQuantile(const std::vector<double>& sorted, double p) {
  const double h = static_cast<double>(sorted.size() - 1) * p;
  const std::size_t below = static_cast<std::size_t>(std::floor(h));
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  return sorted[below] + (h - static_cast<double>(below)) * (sorted[above] - sorted[below]);
}

std::optional<Fences> tukeyFences(std::vector<double> values) {
  if (values.size() < kFewestRunsToFlag) return std::nullopt;
  std::sort(values.begin(), values.end());
  Fences fences;
  fences.count = values.size();
  fences.q1 = interpolatedQuantile(values, 0.25);
  fences.q3 = interpolatedQuantile(values, 0.75);
  const double iqr = fences.q3 - fences.q1;
  fences.lower = fences.q1 - 1.5 * iqr;
  fences.upper = fences.q3 + 1.5 * iqr;
  return fences;
}

}  // namespace quorvel::cli
