#include "cli/quality/clip_level.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace quorvel::cli {
namespace {

// Bins of the histogram between 0 and the image's largest value.
constexpr int kBins = 10000;
// The level is this fraction of the median above it.
constexpr double kMedianFraction = 0.5;
// Fewer positive values than this give no level.
constexpr int kFewestPositive = 223;

}  // namespace

double clipLevel(const VoxelImage& image) {
  double largest = 0;
  for (double value : image) {
    if (std::isfinite(value)) largest = std::max(largest, value);
  }
  if (!(largest > 1e-100)) return 0;
  const double perBin = kBins / largest;
  std::vector<int> histogram(kBins + 1, 0);
  double squares = 0;
  int positive = 0;
  for (double value : image) {
    if (!(value > 0) || !std::isfinite(value)) continue;
    const int bin = static_cast<int>(perBin * value + 0.499);
    if (bin > kBins) continue;
    ++histogram[bin];
    squares += static_cast<double>(bin) * bin;
    ++positive;
  }
  if (positive < kFewestPositive) return 0;

  // Start from the cut that keeps the upper 65% of the positive values,
  // but not below half their root mean square.
  const int keep = static_cast<int>(0.65f * static_cast<float>(positive));
  const int lowest = static_cast<int>(std::rint(0.5 * std::sqrt(squares / positive)));
  int bin = kBins - 1;
  for (int kept = 0; bin >= lowest && kept < keep; --bin) kept += histogram[bin];

  // Move the cut to half the median of the values above it until it stays.
  int cut = bin;
  for (int round = 0; round < 66; ++round) {
    int above = 0;
    for (int b = cut; b < kBins; ++b) above += histogram[b];
    int b = cut;
    for (int counted = 0; b < kBins && counted < above / 2; ++b) counted += histogram[b];
    const int previous = cut;
    cut = static_cast<int>(kMedianFraction * b);
    if (cut == previous) break;
  }
  return cut / perBin;
}

}  // namespace quorvel::cli
