#include "cli/motion/reference_volume.h"

#include <algorithm>

namespace quorvel::cli {

std::size_t firstSteadyVolume(const std::vector<double>& means) {
  if (means.empty()) return 0;
  std::vector<double> sorted = means;
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  const double median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
  const double limit = median + 0.02 * std::abs(median);
  for (std::size_t v = 0; v < n; ++v) {
    if (means[v] <= limit) return v;
  }
  return 0;
}

}  // namespace quorvel::cli
