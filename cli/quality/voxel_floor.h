// The plug-in's background test of one voxel, answered fast: its mean is
// a single-precision running sum divided by the count, a chain of
// dependent additions that costs more than everything else the command
// computes per voxel. A vectorisable double-precision mean with an error
// bound decides almost every voxel; only voxels too close to the floor for
// it to tell take the exact chain.
#ifndef QUORVEL_CLI_QUALITY_VOXEL_FLOOR_H_
#define QUORVEL_CLI_QUALITY_VOXEL_FLOOR_H_

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace quorvel::cli {

// The plug-in's mean of one time course: each sample added in double
// precision to a single-precision sum, the sum divided by the count.
template <typename Sample>
float analysisMean(const Sample* course, std::size_t volumes) {
  float sum = 0.0f;
  for (std::size_t t = 0; t < volumes; ++t) {
    sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(course[t]));
  }
  return static_cast<float>(static_cast<double>(sum) / static_cast<double>(volumes));
}

namespace voxel_floor_detail {

// The mean in double precision with independent partial sums, which the
// compiler keeps in vector registers, and the mean magnitude that bounds
// how far the plug-in's single-precision mean can lie from it.
template <typename Sample>
void fastMean(const Sample* course, std::size_t volumes, double& mean, double& meanMagnitude) {
  constexpr std::size_t kLanes = 8;
  double sums[kLanes] = {}, magnitudes[kLanes] = {};
  std::size_t t = 0;
  for (; t + kLanes <= volumes; t += kLanes) {
    for (std::size_t k = 0; k < kLanes; ++k) {
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
  for (std::size_t k = 0; k < kLanes; ++k) {
    sum += sums[k];
    magnitude += magnitudes[k];
  }
  mean = sum / static_cast<double>(volumes);
  meanMagnitude = magnitude / static_cast<double>(volumes);
}

// Float samples: single-precision partial sums in 16 lanes, which the
// compiler keeps in vector registers without a conversion per sample.
// Each lane's error, like the plug-in's chain, stays below 2^-24 of its
// magnitude per addition, so the bound below still separates the two.
inline void fastMean(const float* course, std::size_t volumes, double& mean,
                     double& meanMagnitude) {
  constexpr std::size_t kLanes = 16;
  float sums[kLanes] = {}, magnitudes[kLanes] = {};
  std::size_t t = 0;
  for (; t + kLanes <= volumes; t += kLanes) {
    for (std::size_t k = 0; k < kLanes; ++k) {
      sums[k] += course[t + k];
      magnitudes[k] += std::fabs(course[t + k]);
    }
  }
  double sum = 0.0, magnitude = 0.0;
  for (; t < volumes; ++t) {
    sum += static_cast<double>(course[t]);
    magnitude += std::fabs(static_cast<double>(course[t]));
  }
  for (std::size_t k = 0; k < kLanes; ++k) {
    sum += static_cast<double>(sums[k]);
    magnitude += static_cast<double>(magnitudes[k]);
  }
  mean = sum / static_cast<double>(volumes);
  meanMagnitude = magnitude / static_cast<double>(volumes);
}

// The exact sum of 16-bit samples: 32-bit lanes while they cannot
// overflow, 64-bit beyond.
inline std::int64_t exactSum(const std::int16_t* course, std::size_t volumes) {
  std::int64_t total = 0;
  if (volumes > 65536) {
    for (std::size_t t = 0; t < volumes; ++t) total += course[t];
    return total;
  }
  constexpr std::size_t kLanes = 16;
  std::int32_t sums[kLanes] = {};
  std::size_t t = 0;
  for (; t + kLanes <= volumes; t += kLanes) {
    for (std::size_t k = 0; k < kLanes; ++k) sums[k] += course[t + k];
  }
  for (; t < volumes; ++t) total += course[t];
  for (std::size_t k = 0; k < kLanes; ++k) total += sums[k];
  return total;
}

}  // namespace voxel_floor_detail

// Every voxel's mean as meanAboveFloor gives it, and whether it exceeds
// the floor (1) or not (0): what both the statistics and the run page
// need, computed once.
struct VoxelMeans {
  std::vector<float> mean;
  std::vector<std::uint8_t> aboveFloor;
};

// The floor tests of means the plug-in computed itself (as the reader
// keeps them while placing the samples): every mean, above `floor` or not.
inline VoxelMeans testedMeans(std::vector<float> means, double floor) {
  VoxelMeans tested;
  tested.aboveFloor.resize(means.size());
  for (std::size_t voxel = 0; voxel < means.size(); ++voxel) {
    tested.aboveFloor[voxel] = means[voxel] > floor ? 1 : 0;
  }
  tested.mean = std::move(means);
  return tested;
}

// Whether the plug-in's mean of `course` exceeds `floor`; `mean` receives
// that mean (the plug-in's own where the fast estimate could not decide,
// the nearest float to the exact mean otherwise). `volumes` is above 0.
template <typename Sample>
bool meanAboveFloor(const Sample* course, std::size_t volumes, double floor, float& mean) {
  double exact = 0.0, magnitude = 0.0;
  voxel_floor_detail::fastMean(course, volumes, exact, magnitude);
  // Each single-precision addition rounds by at most 2^-24 of the running
  // sum, which never exceeds the sum of magnitudes; the fast estimate errs
  // as much again, and the bound allows twice their sum.
  const double bound = (static_cast<double>(volumes) + 1.0) * magnitude * 0x1p-22 + 1e-9;
  if (std::fabs(exact - floor) > bound && std::isfinite(exact)) {
    mean = static_cast<float>(exact);
    return exact > floor;
  }
  mean = analysisMean(course, volumes);
  return mean > floor;
}

// 16-bit samples: an exact integer sum, and a bound from the largest
// magnitude a 16-bit sample can have, so no magnitudes need summing.
inline bool meanAboveFloor(const std::int16_t* course, std::size_t volumes, double floor,
                           float& mean) {
  const double exact = static_cast<double>(voxel_floor_detail::exactSum(course, volumes)) /
                       static_cast<double>(volumes);
  const double bound = (static_cast<double>(volumes) + 1.0) * 32768.0 * 0x1p-23;
  if (std::fabs(exact - floor) > bound) {
    mean = static_cast<float>(exact);
    return exact > floor;
  }
  mean = analysisMean(course, volumes);
  return mean > floor;
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_VOXEL_FLOOR_H_
