#include "cli/quality/steady_state.h"

#include <algorithm>
#include <cmath>

#include "cli/quality/sample_statistics.h"

namespace quorvel::cli {

std::size_t nonSteadyStateVolumes(const std::vector<double>& globalSignal) {
  const std::size_t n = std::min(globalSignal.size(), kSteadyStateWindow);
  if (n < 2) return 0;
  const std::vector<double> window(globalSignal.begin(),
                                   globalSignal.begin() + static_cast<long>(n));
  const double centre = *median(window);
  std::vector<double> distance(n);
  for (std::size_t v = 0; v < n; ++v) distance[v] = std::fabs(window[v] - centre);
  const double mad = *median(distance);
  std::size_t leading = 0;
  while (leading + 1 < n) {
    const double d = distance[leading];
    const bool beyond = mad > 0 ? 0.6745 * d / mad > kSteadyStateScore : d > 0;
    if (!beyond) break;
    ++leading;
  }
  return leading;
}

}  // namespace quorvel::cli
