// A run's brain mask as a BIDS derivative image beside its maps.
#ifndef QUORVEL_CLI_OUTPUTS_MASK_FILE_H_
#define QUORVEL_CLI_OUTPUTS_MASK_FILE_H_

#include <nifti2_io.h>

#include <filesystem>

#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// Writes `mask` as an 8-bit NIfTI-1 image of 0 and 1 with the grid,
// orientation and voxel size of the run whose header is `runHeader`, to
// `finalPath` (gzipped when it ends in ".gz"). Throws a run error naming
// `finalPath` when the mask does not fit the grid or the write fails.
void writeBrainMask(const nifti_image& runHeader, const VoxelMask& mask,
                    const std::filesystem::path& finalPath);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_MASK_FILE_H_
