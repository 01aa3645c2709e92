#include "cli/quality/sample_statistics.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "cli/quality/order_statistics.h"
#include "cli/quality/voxel_floor.h"
#include "cli/session/thread_shares.h"

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

// One analysed voxel's own numbers.
struct VoxelNumbers {
  bool analysed = false;
  bool hasTsnr = false;  // sd > 0
  double tsnr = 0;
  double ac12 = 0;            // at least 4 volumes
  double expectedDiffSd = 0;  // sigma_i * sqrt(2 (1 - phi_i))
};

// One analysed voxel's numbers in two passes over its time course: the
// mean, then every sum of deviations at once. Each sum keeps its own
// order of additions, so the results are those of one loop per sum.
template <typename Sample>
VoxelNumbers voxelNumbers(const Sample* samples, VoxelScratch& scratch) {
  VoxelNumbers numbers;
  numbers.analysed = true;
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
  numbers.hasTsnr = sd > 0;
  if (numbers.hasTsnr) numbers.tsnr = mean / sd;

  // As the plug-in's map: 0 below its deviation floor, else r1 + r2 over
  // its lag pairs, each divided by (pairs * sd^2).
  if (t >= 4 && sd > 0.01) {
    numbers.ac12 += lag1 / (static_cast<double>(pairs1) * sd * sd);
    numbers.ac12 += lag2 / (static_cast<double>(pairs2) * sd * sd);
  }

  // Yule-Walker AR(1) coefficient and the robust sd from the interquartile range.
  const double phi = squares > 0 ? lagged / squares : 0.0;
  const auto [q1, q3] = lowerQuartiles(x, scratch);
  const double robustSd = (q3 - q1) / 1.349;
  numbers.expectedDiffSd = robustSd * std::sqrt(2.0 * (1.0 - phi));
  return numbers;
}

// Voxels a share of the per-voxel pass takes at a time, in turns: the
// analysed voxels crowd the middle of the grid, so halves would not be
// even.
constexpr std::size_t kVoxelsPerTurn = 1024;

// Every voxel's numbers, `threads` threads taking turns at the voxels.
template <typename Sample>
std::vector<VoxelNumbers> numbersOfVoxels(const Sample* samples, std::size_t voxels,
                                          std::size_t volumes, unsigned threads) {
  std::vector<VoxelNumbers> numbers(voxels);
  const std::size_t turns = (voxels + kVoxelsPerTurn - 1) / kVoxelsPerTurn;
  const unsigned shares =
      static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(threads, turns)));
  runShares(shares, [&](unsigned share) {
    VoxelScratch scratch;
    scratch.course.resize(volumes);
    scratch.ordered.reserve(volumes);
    scratch.spare.resize(volumes);
    for (std::size_t turn = share; turn < turns; turn += shares) {
      const std::size_t end = std::min(voxels, (turn + 1) * kVoxelsPerTurn);
      for (std::size_t voxel = turn * kVoxelsPerTurn; voxel < end; ++voxel) {
        const Sample* course = samples + voxel * volumes;
        float mean = 0;
        if (meanAboveFloor(course, volumes, kIntensityFloor, mean)) {
          numbers[voxel] = voxelNumbers(course, scratch);
        }
      }
    }
  });
  return numbers;
}

// The per-volume sums over the analysed voxels, each in voxel order:
// `threads` threads each take a range of volumes, so no sum changes its
// order of additions.
template <typename Sample>
void sumVolumes(const Sample* samples, std::size_t volumes,
                const std::vector<std::size_t>& analysed, unsigned threads,
                std::vector<double>& signalSum, std::vector<double>& squaredDiffSum) {
  const unsigned shares =
      static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(threads, volumes)));
  runShares(shares, [&](unsigned share) {
    const std::size_t first = volumes * share / shares, end = volumes * (share + 1) / shares;
    for (std::size_t voxel : analysed) {
      const Sample* course = samples + voxel * volumes;
      for (std::size_t v = first; v < end; ++v) {
        const double x = static_cast<double>(course[v]);
        signalSum[v] += x;
        if (v == 0) continue;
        const double step = x - static_cast<double>(course[v - 1]);
        squaredDiffSum[v] += step * step;
      }
    }
  });
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

SampleStatistics computeSampleStatistics(const SampleView& samples, unsigned threads) {
  SampleStatistics stats;
  stats.voxels = samples.voxels;
  stats.volumes = samples.volumes;
  const std::size_t t = samples.volumes;
  stats.dvars.assign(t, std::nullopt);
  stats.stdDvars.assign(t, std::nullopt);
  stats.globalSignal.assign(t, std::nullopt);
  if (samples.empty() || t < 2) return stats;

  std::vector<VoxelNumbers> numbers =
      samples.int16Samples != nullptr
          ? numbersOfVoxels(samples.int16Samples, samples.voxels, t, threads)
          : numbersOfVoxels(samples.floatSamples, samples.voxels, t, threads);
  std::vector<double> tsnr, ac12;  // over analysed voxels, in voxel order
  std::vector<std::size_t> analysed;
  double expectedDiffSdSum = 0;
  for (std::size_t voxel = 0; voxel < numbers.size(); ++voxel) {
    const VoxelNumbers& voxelNumbers = numbers[voxel];
    if (!voxelNumbers.analysed) continue;
    analysed.push_back(voxel);
    if (voxelNumbers.hasTsnr) tsnr.push_back(voxelNumbers.tsnr);
    if (t >= 4) ac12.push_back(voxelNumbers.ac12);
    expectedDiffSdSum += voxelNumbers.expectedDiffSd;
  }
  numbers = {};
  stats.voxelsAnalysed = analysed.size();
  if (stats.voxelsAnalysed == 0) return stats;
  std::vector<double> signalSum(t, 0.0), squaredDiffSum(t, 0.0);
  if (samples.int16Samples != nullptr) {
    sumVolumes(samples.int16Samples, t, analysed, threads, signalSum, squaredDiffSum);
  } else {
    sumVolumes(samples.floatSamples, t, analysed, threads, signalSum, squaredDiffSum);
  }

  const double n = static_cast<double>(stats.voxelsAnalysed);
  if (!tsnr.empty()) {
    double total = 0;
    for (double value : tsnr) total += value;
    stats.tsnrMean = finite(total / static_cast<double>(tsnr.size()));
    stats.tsnrMedian = median(std::move(tsnr));
    if (stats.tsnrMedian) stats.tsnrMedian = finite(*stats.tsnrMedian);
  }
  if (!ac12.empty()) {
    stats.ac12Median = median(std::move(ac12));
    if (stats.ac12Median) stats.ac12Median = finite(*stats.ac12Median);
  }
  const double expected = expectedDiffSdSum / n;
  if (expected > 0) stats.expectedDvars = finite(expected);
  for (std::size_t v = 0; v < t; ++v) {
    stats.globalSignal[v] = finite(signalSum[v] / n);
    if (v == 0) continue;
    stats.dvars[v] = finite(std::sqrt(squaredDiffSum[v] / n));
    if (stats.dvars[v] && stats.expectedDvars) {
      stats.stdDvars[v] = finite(*stats.dvars[v] / *stats.expectedDvars);
    }
  }
  return stats;
}

}  // namespace quorvel::cli
