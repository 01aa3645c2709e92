// The intensity that separates a head from its background in an image,
// found from the image's own histogram as the automatic masks of the field
// do (AFNI's 3dClipLevel with a fraction of 0.5): the level is half the
// median of the positive values above it. The histogram's bins are
// fractions of the image's largest value, so multiplying the image by a
// positive constant multiplies the level by the same constant.
#ifndef QUORVEL_CLI_QUALITY_CLIP_LEVEL_H_
#define QUORVEL_CLI_QUALITY_CLIP_LEVEL_H_

#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The clip level of `image`; 0 when it has too few positive values (223)
// to tell a head from its background.
double clipLevel(const VoxelImage& image);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_CLIP_LEVEL_H_
