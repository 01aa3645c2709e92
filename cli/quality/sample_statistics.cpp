#include "cli/quality/sample_statistics.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "cli/quality/order_statistics.h"
#include "cli/quality/voxel_floor.h"

namespace quorvel::cli {
namespace {

// A value only when it is a finite number.
std::optional<double> finite(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

// Pairs of the lag-k autocorrelation: the plug-in leaves out the last
// volume of a run with an odd number of volumes.
long lagPairs(std::size_t volumes, std::size_t lag) {
  const long n = static_cast<long>(volumes);
  return (n % 2 == 0 ? n : n - 1) - static_cast<long>(lag);
}

// Per-voxel scratch, sized once for the run: no allocation per voxel.
struct VoxelScratch {
  std::vector<double> course;   // the time course in double precision
  std::vector<double> ordered;  // reordered to find the quartiles
  std::vector<double> spare;    // the selection's second buffer
};

// Sample quartiles by the "lower" rule: the sorted values at indices
// floor(0.25 (n - 1)) and floor(0.75 (n - 1)) of `x`.
std::pair<double, double> lowerQuartiles(const std::vector<double>& x, VoxelScratch& scratch) {
  const double last = static_cast<double>(x.size() - 1);
  const auto indexAt = [last](double p) { return static_cast<std::size_t>(std::floor(p * last)); };
  scratch.ordered = x;
  return selectTwoRanks(scratch.ordered.data(), x.size(), indexAt(0.25), indexAt(0.75),
                        scratch.spare.data());
}

// Accumulates the per-voxel numbers of the analysed voxels.
struct Accumulator {
  std::vector<double> tsnr;            // analysed voxels with sd > 0
  std::vector<double> ac12;            // analysed voxels
  double expectedDiffSdSum = 0;        // sum of sigma_i * sqrt(2 (1 - phi_i))
  std::vector<double> signalSum;       // per volume
  std::vector<double> squaredDiffSum;  // per volume, from the second
};

// One analysed voxel's numbers in two passes over its time course: the
// mean, then every sum of deviations at once. Each sum keeps its own
// order of additions, so the results are those of one loop per sum.
template <typename Sample>
void addVoxel(const Sample* samples, VoxelScratch& scratch, Accumulator& sums) {
  std::vector<double>& x = scratch.course;
  const std::size_t t = x.size();
  double total = 0;
  for (std::size_t v = 0; v < t; ++v) {
    x[v] = static_cast<double>(samples[v]);
    total += x[v];
  }
  const double mean = total / static_cast<double>(t);

  // The deviations' squares, the lag-1 products (for the autocorrelation
  // over its even-trimmed pairs and for the AR(1) coefficient over all)
  // and the lag-2 products. Lag 1's pairs are a prefix of all the
  // volume-to-volume pairs, so its sum is a point on the same chain.
  const long pairs1 = lagPairs(t, 1), pairs2 = lagPairs(t, 2);
  double squares = 0, lagged = 0, lag1 = 0, lag2 = 0;
  double before2 = 0, before1 = x[0] - mean;
  squares += before1 * before1;
  for (std::size_t v = 1; v < t; ++v) {
    const double d = x[v] - mean;
    squares += d * d;
    lagged += before1 * d;
    if (static_cast<long>(v) == pairs1) lag1 = lagged;
    if (v >= 2 && static_cast<long>(v) <= pairs2 + 1) lag2 += before2 * d;
    before2 = before1;
    before1 = d;
  }
  const double sd = std::sqrt(squares / static_cast<double>(t - 1));
  if (sd > 0) sums.tsnr.push_back(mean / sd);

  // As the plug-in's map: 0 below its deviation floor, else r1 + r2 over
  // its lag pairs, each divided by (pairs * sd^2).
  if (t >= 4) {
    double ac12 = 0;
    if (sd > 0.01) {
      ac12 += lag1 / (static_cast<double>(pairs1) * sd * sd);
      ac12 += lag2 / (static_cast<double>(pairs2) * sd * sd);
    }
    sums.ac12.push_back(ac12);
  }

  // Yule-Walker AR(1) coefficient and the robust sd from the interquartile range.
  const double phi = squares > 0 ? lagged / squares : 0.0;
  const auto [q1, q3] = lowerQuartiles(x, scratch);
  const double robustSd = (q3 - q1) / 1.349;
  sums.expectedDiffSdSum += robustSd * std::sqrt(2.0 * (1.0 - phi));

  sums.signalSum[0] += x[0];
  for (std::size_t v = 1; v < t; ++v) {
    sums.signalSum[v] += x[v];
    sums.squaredDiffSum[v] += (x[v] - x[v - 1]) * (x[v] - x[v - 1]);
  }
}

template <typename Sample>
std::size_t addAnalysedVoxels(const Sample* samples, std::size_t voxels, std::size_t volumes,
                              Accumulator& sums) {
  VoxelScratch scratch;
  scratch.course.resize(volumes);
  scratch.ordered.reserve(volumes);
  scratch.spare.resize(volumes);
  std::size_t analysed = 0;
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    const Sample* course = samples + voxel * volumes;
    float mean = 0;
    if (!meanAboveFloor(course, volumes, kIntensityFloor, mean)) continue;
    ++analysed;
    addVoxel(course, scratch, sums);
  }
  return analysed;
}

}  // namespace

bool isAnalysedVoxel(const SampleView& samples, std::size_t voxel) {
  const std::size_t t = samples.volumes;
  const float mean = samples.int16Samples != nullptr
                         ? analysisMean(samples.int16Samples + voxel * t, t)
                         : analysisMean(samples.floatSamples + voxel * t, t);
  return mean > kIntensityFloor;
}

std::optional<double> median(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  const std::size_t half = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(half), values.end());
  const double upper = values[half];
  if (values.size() % 2 == 1) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + static_cast<long>(half));
  return (lower + upper) / 2.0;
}

SampleStatistics computeSampleStatistics(const SampleView& samples) {
  SampleStatistics stats;
  stats.voxels = samples.voxels;
  stats.volumes = samples.volumes;
  const std::size_t t = samples.volumes;
  stats.dvars.assign(t, std::nullopt);
  stats.stdDvars.assign(t, std::nullopt);
  stats.globalSignal.assign(t, std::nullopt);
  if (samples.empty() || t < 2) return stats;

  Accumulator sums;
  sums.signalSum.assign(t, 0.0);
  sums.squaredDiffSum.assign(t, 0.0);
  stats.voxelsAnalysed = samples.int16Samples != nullptr
                             ? addAnalysedVoxels(samples.int16Samples, samples.voxels, t, sums)
                             : addAnalysedVoxels(samples.floatSamples, samples.voxels, t, sums);
  if (stats.voxelsAnalysed == 0) return stats;

  const double n = static_cast<double>(stats.voxelsAnalysed);
  if (!sums.tsnr.empty()) {
    double total = 0;
    for (double value : sums.tsnr) total += value;
    stats.tsnrMean = finite(total / static_cast<double>(sums.tsnr.size()));
    stats.tsnrMedian = median(sums.tsnr);
    if (stats.tsnrMedian) stats.tsnrMedian = finite(*stats.tsnrMedian);
  }
  if (!sums.ac12.empty()) {
    stats.ac12Median = median(sums.ac12);
    if (stats.ac12Median) stats.ac12Median = finite(*stats.ac12Median);
  }
  const double expected = sums.expectedDiffSdSum / n;
  if (expected > 0) stats.expectedDvars = finite(expected);
  for (std::size_t v = 0; v < t; ++v) {
    stats.globalSignal[v] = finite(sums.signalSum[v] / n);
    if (v == 0) continue;
    stats.dvars[v] = finite(std::sqrt(sums.squaredDiffSum[v] / n));
    if (stats.dvars[v] && stats.expectedDvars) {
      stats.stdDvars[v] = finite(*stats.dvars[v] / *stats.expectedDvars);
    }
  }
  return stats;
}

}  // namespace quorvel::cli
