// A run's brain mask from its mean image, by the steps of the field's
// automatic mask (AFNI's 3dAutomask with a fixed clip level): the voxels
// at or above the image's clip level, their largest connected piece with
// thin attachments peeled off, gaps and holes filled. Only the order of
// the image's values and their ratio to its largest value matter, so
// multiplying a run by a positive constant gives the same mask.
#ifndef QUORVEL_CLI_QUALITY_BRAIN_MASK_H_
#define QUORVEL_CLI_QUALITY_BRAIN_MASK_H_

#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The brain mask of `meanImage`, laid out on `grid`; when the image has
// no clip level (too few positive values) it starts from every voxel of
// mean 0 or more.
VoxelMask automaticBrainMask(const VoxelImage& meanImage, const VoxelGrid& grid);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_BRAIN_MASK_H_
