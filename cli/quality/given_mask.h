// A brain mask given by the user for a run: a NIfTI image on the run's
// grid, read and checked before the analysis.
#ifndef QUORVEL_CLI_QUALITY_GIVEN_MASK_H_
#define QUORVEL_CLI_QUALITY_GIVEN_MASK_H_

#include <string>

#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The mask in the NIfTI image `path` (.nii or .nii.gz, 3D, or 4D with one
// volume): voxels whose value is above 0 are inside. Throws an input error
// naming `path` when it cannot be read, its grid differs from `grid`, it
// has more than one volume, or no voxel is inside.
VoxelMask readGivenMask(const std::string& path, const VoxelGrid& grid);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_GIVEN_MASK_H_
