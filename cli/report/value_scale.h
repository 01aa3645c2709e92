// How the values of a map become positions on its colour map, and the
// ticks of its colour bar.
#ifndef QUORVEL_CLI_REPORT_VALUE_SCALE_H_
#define QUORVEL_CLI_REPORT_VALUE_SCALE_H_

#include <vector>

#include "cli/report/colour_maps.h"

namespace quorvel::cli::report {

struct ValueScale {
  ColourMap map = ColourMap::kViridis;
  double low = 0.0;   // shown at the low end of the colour map
  double high = 1.0;  // shown at the high end
  // For a signed scale (low = -high): magnitudes up to `knee` take the pale
  // inner part of the colour map and those beyond it the saturated outer
  // part, so that values past a threshold stand out. 0 for a linear scale.
  double knee = 0.0;

  // Position of `value` on the colour map, 0..1; +inf gives 1, -inf 0, NaN
  // NaN.
  double position(double value) const;
};

// Linear scale over the 1st to 99th percentile of the finite `values`
// (both ends taken as 0..1 when there are none); with `fromZero` the low
// end is 0.
ValueScale percentileScale(ColourMap map, const std::vector<float>& values, bool fromZero);

// Signed blue-white-red scale from -2 * `threshold` to 2 * `threshold`
// with its knee at the threshold (a threshold of 0 or below is taken as 1).
ValueScale thresholdScale(double threshold);

// The `q` quantile (0..1) of the finite `values`; NaN when there are none.
// Reorders `values`.
double quantile(std::vector<float>& values, double q);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_VALUE_SCALE_H_
