// The voxel pass: statistics of every voxel's time course of one VTC, into
// the maps' value arrays and the per-volume outlier and spike counts.
#ifndef QUORVEL_ANALYSIS_VOXEL_STATISTICS_H_
#define QUORVEL_ANALYSIS_VOXEL_STATISTICS_H_

#include <cstdint>
#include <vector>

#include "analysis/vtc_geometry.h"

namespace quorvel {

// The host's sample array of a VTC: X * Y * Z * t samples, each voxel's time
// course contiguous (time fastest, then x, y, z). Exactly one pointer is set.
struct VtcSamples {
  const float* floatSamples = nullptr;       // 32-bit float samples
  const std::int16_t* intSamples = nullptr;  // signed 16-bit samples
};

// The host's value arrays of the maps made for a VTC, X * Y * Z floats each
// with x fastest; null for a map that was not requested (or not made).
struct MapValueArrays {
  float* tsnr = nullptr;
  float* outliers = nullptr;
  float* laggedAutocorrelation = nullptr;
};

// Work arrays of one VTC, t elements each, allocated once per VTC.
struct VoxelWorkArrays {
  // Sizes all three arrays for `nrOfVolumes` volumes, counts at zero.
  explicit VoxelWorkArrays(int nrOfVolumes);

  std::vector<float> timeCourse;            // one voxel's series
  std::vector<std::int32_t> outlierCounts;  // deviating voxels per volume
  std::vector<std::int32_t> spikeCounts;    // spikes among them per volume
};

// Walks every voxel (z outermost, x innermost): writes its "TSNR",
// "Outliers (max stddev)" and "1+2 Lagged AutoCorrelation" values into each
// map whose array is not null and adds its outliers (beyond `maxDeviation`)
// and spikes (beyond `spikeDefinition` from their neighbours) to the work
// arrays' counts. Voxels whose mean is not above 100 are background: 0 in
// every map, never counted. Runs on the widest SIMD lanes this CPU has;
// allocates one tile buffer per call, nothing per voxel. `work` must hold
// `dimensions.t` elements per array.
void computeVoxelStatistics(const VtcSamples& samples,
                            const VtcDimensions& dimensions, float maxDeviation,
                            float spikeDefinition, const MapValueArrays& maps,
                            VoxelWorkArrays& work);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_VOXEL_STATISTICS_H_
