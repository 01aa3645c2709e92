#include "cli/quality/distribution_summary.h"

#include <algorithm>
#include <cmath>

namespace quorvel::cli {
namespace {

// The MAD of normal values over their standard deviation: the third
// quartile of the standard normal distribution.
constexpr double kNormalMad = 0.6744897501960817;

}  // namespace

double percentileOfSorted(const std::vector<double>& sorted, double percent) {
  const double at = percent / 100.0 * static_cast<double>(sorted.size() - 1);
  const std::size_t below = static_cast<std::size_t>(std::floor(at));
  const std::size_t above = std::min(below + 1, sorted.size() - 1);
  const double fraction = at - static_cast<double>(below);
  return sorted[below] + fraction * (sorted[above] - sorted[below]);
}

DistributionSummary summarise(std::vector<double> values) {
  DistributionSummary summary;
  summary.n = values.size();
  if (values.empty()) return summary;
  std::sort(values.begin(), values.end());
  const double n = static_cast<double>(values.size());
  double total = 0;
  for (double value : values) total += value;
  const double mean = total / n;
  double squares = 0, fourths = 0;
  for (double value : values) {
    const double d = (value - mean) * (value - mean);
    squares += d;
    fourths += d * d;
  }
  const double m2 = squares / n;
  summary.mean = mean;
  summary.stdv = std::sqrt(m2);
  summary.median = percentileOfSorted(values, 50);
  summary.p05 = percentileOfSorted(values, 5);
  summary.p95 = percentileOfSorted(values, 95);
  if (m2 > 0) summary.k = (fourths / n) / (m2 * m2) - 3.0;
  std::vector<double> distance(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    distance[i] = std::fabs(values[i] - *summary.median);
  }
  std::sort(distance.begin(), distance.end());
  summary.mad = percentileOfSorted(distance, 50) / kNormalMad;
  return summary;
}

}  // namespace quorvel::cli
