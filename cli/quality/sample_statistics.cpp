#include "cli/quality/sample_statistics.h"

#include <algorithm>
#include <cmath>

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

// Sample quantile by the "lower" rule: the sorted value at index
// floor(p * (n - 1)). `scratch` is reordered.
double lowerQuantile(std::vector<double>& scratch, double p) {
  const std::size_t index =
      static_cast<std::size_t>(std::floor(p * static_cast<double>(scratch.size() - 1)));
  std::nth_element(scratch.begin(), scratch.begin() + static_cast<long>(index), scratch.end());
  return scratch[index];
}

// Accumulates the per-voxel numbers of the analysed voxels.
struct Accumulator {
  std::vector<double> tsnr;             // analysed voxels with sd > 0
  std::vector<double> ac12;             // analysed voxels
  double expectedDiffSdSum = 0;         // sum of sigma_i * sqrt(2 (1 - phi_i))
  std::vector<double> signalSum;        // per volume
  std::vector<double> squaredDiffSum;   // per volume, from the second
};

void addVoxel(const std::vector<double>& x, Accumulator& sums) {
  const std::size_t t = x.size();
  double total = 0;
  for (double value : x) total += value;
  const double mean = total / static_cast<double>(t);
  double squares = 0;
  for (double value : x) squares += (value - mean) * (value - mean);
  const double sd = std::sqrt(squares / static_cast<double>(t - 1));
  if (sd > 0) sums.tsnr.push_back(mean / sd);

  // As the plug-in's map: 0 below its deviation floor, else r1 + r2 over
  // its lag pairs, each divided by (pairs * sd^2).
  if (t >= 4) {
    double ac12 = 0;
    if (sd > 0.01) {
      for (std::size_t lag = 1; lag <= 2; ++lag) {
        const long pairs = lagPairs(t, lag);
        double products = 0;
        for (long v = 0; v < pairs; ++v) {
          products += (x[static_cast<std::size_t>(v)] - mean) *
                      (x[static_cast<std::size_t>(v) + lag] - mean);
        }
        ac12 += products / (static_cast<double>(pairs) * sd * sd);
      }
    }
    sums.ac12.push_back(ac12);
  }

  // Yule-Walker AR(1) coefficient and the robust sd from the interquartile range.
  double lagged = 0;
  for (std::size_t v = 1; v < t; ++v) lagged += (x[v] - mean) * (x[v - 1] - mean);
  const double phi = squares > 0 ? lagged / squares : 0.0;
  std::vector<double> scratch = x;
  const double q3 = lowerQuantile(scratch, 0.75);
  const double q1 = lowerQuantile(scratch, 0.25);
  const double robustSd = (q3 - q1) / 1.349;
  sums.expectedDiffSdSum += robustSd * std::sqrt(2.0 * (1.0 - phi));

  for (std::size_t v = 0; v < t; ++v) {
    sums.signalSum[v] += x[v];
    if (v > 0) sums.squaredDiffSum[v] += (x[v] - x[v - 1]) * (x[v] - x[v - 1]);
  }
}

}  // namespace

bool isAnalysedVoxel(const SampleView& samples, std::size_t voxel) {
  float sum = 0;
  for (std::size_t v = 0; v < samples.volumes; ++v) {
    sum = static_cast<float>(static_cast<double>(sum) + samples.at(voxel, v));
  }
  const float mean =
      static_cast<float>(static_cast<double>(sum) / static_cast<double>(samples.volumes));
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
  std::vector<double> course(t);
  for (std::size_t voxel = 0; voxel < samples.voxels; ++voxel) {
    if (!isAnalysedVoxel(samples, voxel)) continue;
    ++stats.voxelsAnalysed;
    for (std::size_t v = 0; v < t; ++v) course[v] = samples.at(voxel, v);
    addVoxel(course, sums);
  }
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
