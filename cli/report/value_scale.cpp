#include "cli/report/value_scale.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvel::cli::report {
namespace {
// Share of each half of a signed scale that the magnitudes up to the knee
// take (the pale tones), and where the magnitudes past it start: the tones
// between are skipped, so that crossing the knee is a jump in colour.
constexpr double kInnerShare = 0.3;
constexpr double kOuterStart = 0.5;
}  // namespace

double ValueScale::position(double value) const {
  if (std::isnan(value)) return std::numeric_limits<double>::quiet_NaN();
  if (knee > 0.0 && high > knee) {
    const double magnitude = std::fabs(value);
    double share =
        magnitude <= knee
            ? kInnerShare * magnitude / knee
            : kOuterStart + (1.0 - kOuterStart) * std::min(1.0, (magnitude - knee) / (high - knee));
    return 0.5 + (value < 0 ? -0.5 : 0.5) * share;
  }
  if (!(high > low)) return value > low ? 1.0 : 0.0;
  return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

double quantile(std::vector<float>& values, double q) {
  values.erase(
      std::remove_if(values.begin(), values.end(), [](float v) { return !std::isfinite(v); }),
      values.end());
  if (values.empty()) return std::numeric_limits<double>::quiet_NaN();
  const std::size_t at =
      std::min(values.size() - 1,
               static_cast<std::size_t>(std::llround(q * static_cast<double>(values.size() - 1))));
  std::nth_element(values.begin(), values.begin() + at, values.end());
  return values[at];
}

ValueScale percentileScale(ColourMap map, const std::vector<float>& values, bool fromZero) {
  std::vector<float> work = values;
  ValueScale scale;
  scale.map = map;
  const double high = quantile(work, 0.99);
  const double low = fromZero ? 0.0 : quantile(work, 0.01);
  if (std::isnan(high)) {
    scale.low = 0.0;
    scale.high = 1.0;
    return scale;
  }
  scale.low = std::min(low, high);
  scale.high = high > scale.low ? high : scale.low + 1.0;
  return scale;
}

ValueScale thresholdScale(double threshold) {
  if (!(threshold > 0.0) || !std::isfinite(threshold)) threshold = 1.0;
  ValueScale scale;
  scale.map = ColourMap::kBlueWhiteRed;
  scale.low = -2.0 * threshold;
  scale.high = 2.0 * threshold;
  scale.knee = threshold;
  return scale;
}

}  // namespace quorvel::cli::report
