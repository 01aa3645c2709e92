#include "cli/report/run_samples.h"

#include <algorithm>
#include <cmath>

namespace quorvel::cli::report {
namespace {

// The mean as the analysis computes it: a single-precision running sum
// divided by the count. Its chain of dependent additions is slow, so it
// only decides the voxels whose mean is too close to the floor for the
// fast sum below to tell.
template <typename Sample>
float analysisMean(const Sample* course, int volumes) {
  float sum = 0.0f;
  for (int t = 0; t < volumes; ++t) {
    sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(course[t]));
  }
  return static_cast<float>(static_cast<double>(sum) / volumes);
}

// The mean in double precision with independent partial sums, which the
// compiler keeps in vector registers, and the mean magnitude that bounds
// how far the analysis' single-precision mean can lie from it.
template <typename Sample>
void fastMean(const Sample* course, int volumes, double& mean, double& meanMagnitude) {
  constexpr int kLanes = 8;
  double sums[kLanes] = {}, magnitudes[kLanes] = {};
  int t = 0;
  for (; t + kLanes <= volumes; t += kLanes) {
    for (int k = 0; k < kLanes; ++k) {
      const double x = static_cast<double>(course[t + k]);
      sums[k] += x;
      magnitudes[k] += std::fabs(x);
    }
  }
  double sum = 0.0, magnitude = 0.0;
  for (; t < volumes; ++t) {
    sum += static_cast<double>(course[t]);
    magnitude += std::fabs(static_cast<double>(course[t]));
  }
  for (int k = 0; k < kLanes; ++k) {
    sum += sums[k];
    magnitude += magnitudes[k];
  }
  mean = sum / volumes;
  meanMagnitude = magnitude / volumes;
}

// The analysis' test of a voxel's mean against the floor, and the mean.
template <typename Sample>
bool aboveFloor(const Sample* course, int volumes, float& mean) {
  double exact = 0.0, magnitude = 0.0;
  fastMean(course, volumes, exact, magnitude);
  // Each single-precision addition rounds by at most 2^-24 of the running
  // sum, which never exceeds the sum of magnitudes.
  const double bound = (volumes + 1.0) * magnitude * 0x1p-23 + 1e-9;
  if (std::fabs(exact - kAnalysisFloor) > bound && std::isfinite(exact)) {
    mean = static_cast<float>(exact);
    return exact > kAnalysisFloor;
  }
  mean = analysisMean(course, volumes);
  return mean > kAnalysisFloor;
}

// 16-bit samples: exact integer sums in 32-bit lanes (or 64-bit for runs
// too long for them), and a bound from the largest magnitude a 16-bit
// sample can have, so no magnitudes need summing.
bool aboveFloor(const std::int16_t* course, int volumes, float& mean) {
  std::int64_t total = 0;
  if (volumes <= 65536) {
    constexpr int kLanes = 16;
    std::int32_t sums[kLanes] = {};
    int t = 0;
    for (; t + kLanes <= volumes; t += kLanes) {
      for (int k = 0; k < kLanes; ++k) sums[k] += course[t + k];
    }
    for (; t < volumes; ++t) total += course[t];
    for (int k = 0; k < kLanes; ++k) total += sums[k];
  } else {
    for (int t = 0; t < volumes; ++t) total += course[t];
  }
  const double exact = static_cast<double>(total) / volumes;
  const double bound = (volumes + 1.0) * 32768.0 * 0x1p-23;
  if (std::fabs(exact - kAnalysisFloor) > bound) {
    mean = static_cast<float>(exact);
    return exact > kAnalysisFloor;
  }
  mean = analysisMean(course, volumes);
  return mean > kAnalysisFloor;
}

template <typename Sample>
void standardise(const Sample* course, int volumes, float* row) {
  double sum = 0.0;
  for (int t = 0; t < volumes; ++t) sum += course[t];
  const double mean = sum / volumes;
  double squares = 0.0;
  for (int t = 0; t < volumes; ++t) squares += (course[t] - mean) * (course[t] - mean);
  const double sd = volumes > 1 ? std::sqrt(squares / (volumes - 1)) : 0.0;
  for (int t = 0; t < volumes; ++t) {
    row[t] = sd > 0.01 ? static_cast<float>((course[t] - mean) / sd) : 0.0f;
  }
}

template <typename Sample>
RunSamples sample(const Sample* samples, const HostSamples& shape, std::size_t maxRows) {
  RunSamples out;
  const std::size_t voxels = shape.voxels;
  const int volumes = shape.volumes;
  out.mean.assign(voxels, 0.0f);
  out.mask.assign(voxels, 0);
  if (volumes <= 0) return out;
  for (std::size_t i = 0; i < voxels; ++i) {
    out.mask[i] = aboveFloor(samples + i * volumes, volumes, out.mean[i]) ? 1 : 0;
    out.analysedVoxels += out.mask[i];
  }
  if (out.analysedVoxels == 0 || maxRows == 0) return out;

  // Every step-th voxel of the mask, so that each slice keeps its share.
  const std::size_t step = (out.analysedVoxels + maxRows - 1) / maxRows;
  const std::size_t sliceSize = static_cast<std::size_t>(std::max(shape.voxelsPerSlice, 1));
  CarpetRows& carpet = out.carpet;
  carpet.volumes = volumes;
  carpet.values.reserve((out.analysedVoxels / step + 1) * volumes);
  std::size_t seen = 0;
  for (std::size_t i = 0; i < voxels; ++i) {
    if (!out.mask[i] || seen++ % step != 0) continue;
    carpet.slices.push_back(static_cast<int>(i / sliceSize));
    carpet.values.resize(carpet.slices.size() * volumes);
    standardise(samples + i * volumes, volumes,
                carpet.values.data() + (carpet.slices.size() - 1) * volumes);
  }
  return out;
}

}  // namespace

RunSamples sampleRunForReport(const HostSamples& samples, std::size_t maxCarpetRows) {
  if (samples.int16Samples) return sample(samples.int16Samples, samples, maxCarpetRows);
  if (samples.floatSamples) return sample(samples.floatSamples, samples, maxCarpetRows);
  return RunSamples{};
}

}  // namespace quorvel::cli::report
