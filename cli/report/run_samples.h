// What the report needs from a run's samples while the host still holds
// them: the mean image, the analysed voxels, and the standardised time
// courses of the carpet plot.
#ifndef QUORVEL_CLI_REPORT_RUN_SAMPLES_H_
#define QUORVEL_CLI_REPORT_RUN_SAMPLES_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cli/quality/voxel_floor.h"

namespace quorvel::cli::report {

// Voxels whose mean is at most this are background to the analysis: it
// leaves them out of the maps and the counts.
constexpr float kAnalysisFloor = 100.0f;

// Rows of the carpet plot: voxels of the analysed mask, slice by slice
// from the lowest slice up, each row a voxel's standardised time course.
struct CarpetRows {
  int volumes = 0;
  std::vector<int> slices;    // z of each row's voxel
  std::vector<float> values;  // rows x volumes, row after row
  std::size_t rows() const { return slices.size(); }
};

struct RunSamples {
  std::vector<float> mean;         // one per voxel, x fastest
  std::vector<std::uint8_t> mask;  // 1 where the analysis takes the voxel
  std::size_t analysedVoxels = 0;  // voxels of the mask
  CarpetRows carpet;
};

// The host's layout of a run's samples: voxel after voxel (x fastest, then
// y, z), each voxel's `volumes` samples together. Exactly one pointer set.
struct HostSamples {
  const std::int16_t* int16Samples = nullptr;
  const float* floatSamples = nullptr;
  std::size_t voxels = 0;
  int volumes = 0;
  int voxelsPerSlice = 1;  // nx * ny, to group the carpet by slice
};

// The mean image (the analysis' own single-precision mean), the mask of
// voxels whose mean is above the analysis' intensity floor of 100, and a
// carpet of at most `maxCarpetRows` mask voxels spread evenly through the
// mask in storage order. A time course whose standard deviation is at most
// 0.01 (which the analysis does not standardise) shows as zeros.
// `known`, when given for every voxel, supplies the means and the mask.
RunSamples sampleRunForReport(const HostSamples& samples, std::size_t maxCarpetRows,
                              const VoxelMeans* known = nullptr);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_RUN_SAMPLES_H_
