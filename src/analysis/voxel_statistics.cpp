#include "analysis/voxel_statistics.h"

#include <cmath>
#include <cstddef>

#include "analysis/series_statistics.h"
#include "analysis/statistics_constants.h"
#include "analysis/voxel_pass_isa.h"

namespace quorvel {
namespace {

// Copies one voxel's t samples into the time course; a 16-bit sample is
// sign-extended and converted exactly, a float copied unchanged.
template <typename Sample>
void gatherTimeCourse(const Sample* samples, int t, float* timeCourse) {
  for (int v = 0; v < t; ++v) timeCourse[v] = static_cast<float>(samples[v]);
}

// Replaces the series by its standardised values when sd is above the
// floor (counting the volumes beyond maxDeviation of a voxel above the
// intensity floor), else by its plain deviations from the mean.
void standardise(float* series, int t, float mean, float sd, bool aboveFloor,
                 float maxDeviation, std::int32_t* outlierCounts) {
  if (sd > kDeviationFloor) {
    for (int v = 0; v < t; ++v) {
      const float z =
          static_cast<float>((static_cast<double>(series[v]) - mean) / sd);
      series[v] = z;
      if (std::fabs(z) > maxDeviation && aboveFloor) ++outlierCounts[v];
    }
  } else {
    for (int v = 0; v < t; ++v) {
      series[v] = static_cast<float>(static_cast<double>(series[v]) - mean);
    }
  }
}

// Difference between volume v of the series and its neighbours: the one
// neighbour at either end, the mean of both inside. Needs t >= 2.
float neighbourDifference(const float* a, int t, int v) {
  if (v == 0) return static_cast<float>(static_cast<double>(a[0]) - a[1]);
  if (v == t - 1) {
    return static_cast<float>(static_cast<double>(a[t - 1]) - a[t - 2]);
  }
  return static_cast<float>(a[v] - (static_cast<double>(a[v - 1]) + a[v + 1]) *
                                       kNeighbourWeight);
}

// Counts the spikes of a voxel above the intensity floor: volumes beyond
// maxDeviation that also stand out from their neighbours by more than
// spikeDef. A single volume has no neighbour and is never a spike.
void countSpikes(const float* a, int t, float maxDeviation, float spikeDef,
                 std::int32_t* spikeCounts) {
  if (t < 2) return;
  for (int v = 0; v < t; ++v) {
    if (!(std::fabs(a[v]) > maxDeviation)) continue;
    if (std::fabs(neighbourDifference(a, t, v)) > spikeDef) ++spikeCounts[v];
  }
}

// The signed value of largest magnitude; on a tie the positive one.
float largestDeviation(const float* a, int t) {
  float max = 0.0f;
  float min = 0.0f;
  computeMinMax(a, t, &max, &min);
  return (max < -min) ? min : max;
}

template <typename Sample>
void walkVoxels(const Sample* samples, const VtcDimensions& d,
                float maxDeviation, float spikeDef, const MapValueArrays& maps,
                VoxelWorkArrays& work) {
  const int t = d.t;
  float* timeCourse = work.timeCourse.data();
  std::int32_t* outlierCounts = work.outlierCounts.data();
  std::int32_t* spikeCounts = work.spikeCounts.data();
  float* tsnrMap = maps.tsnr;
  float* outlierMap = maps.outliers;
  float* autocorMap = maps.laggedAutocorrelation;

  const std::size_t voxelCount = d.voxelCount();
  const std::size_t volumes = static_cast<std::size_t>(t);
  // z, y and x nest in this order, so the flat index runs through the
  // voxels exactly once in increasing order.
  for (std::size_t voxel = 0; voxel < voxelCount; ++voxel) {
    gatherTimeCourse(samples + voxel * volumes, t, timeCourse);
    const float mean = computeMean(timeCourse, t);
    const float sd = computeStdDevAroundMean(timeCourse, t, mean);
    const bool aboveFloor = mean > kIntensityFloor;

    standardise(timeCourse, t, mean, sd, aboveFloor, maxDeviation,
                outlierCounts);
    if (aboveFloor) {
      countSpikes(timeCourse, t, maxDeviation, spikeDef, spikeCounts);
    }

    if (tsnrMap) {
      tsnrMap[voxel] = aboveFloor
                           ? static_cast<float>(static_cast<double>(mean) / sd)
                           : 0.0f;
    }
    if (autocorMap) {
      float value = 0.0f;
      if (aboveFloor) {
        const float r2 = computeLaggedAutocorrelation(timeCourse, t, 2);
        const float r1 = computeLaggedAutocorrelation(timeCourse, t, 1);
        value = static_cast<float>(static_cast<double>(r1) + r2);
      }
      autocorMap[voxel] = value;
    }
    if (outlierMap) {
      outlierMap[voxel] = aboveFloor ? largestDeviation(timeCourse, t) : 0.0f;
    }
  }
}

}  // namespace

VoxelWorkArrays::VoxelWorkArrays(int nrOfVolumes)
    : timeCourse(static_cast<std::size_t>(nrOfVolumes > 0 ? nrOfVolumes : 0)),
      outlierCounts(timeCourse.size(), 0),
      spikeCounts(timeCourse.size(), 0) {}

void computeVoxelStatisticsScalar(const VtcSamples& samples,
                                  const VtcDimensions& dimensions,
                                  float maxDeviation, float spikeDefinition,
                                  const MapValueArrays& maps,
                                  VoxelWorkArrays& work) {
  if (samples.floatSamples) {
    walkVoxels(samples.floatSamples, dimensions, maxDeviation, spikeDefinition,
               maps, work);
  } else if (samples.intSamples) {
    walkVoxels(samples.intSamples, dimensions, maxDeviation, spikeDefinition,
               maps, work);
  }
}

void computeVoxelStatistics(const VtcSamples& samples,
                            const VtcDimensions& dimensions, float maxDeviation,
                            float spikeDefinition, const MapValueArrays& maps,
                            VoxelWorkArrays& work) {
  computeVoxelStatisticsAt(fastestVoxelPassIsa(), samples, dimensions,
                           maxDeviation, spikeDefinition, maps, work);
}

}  // namespace quorvel
