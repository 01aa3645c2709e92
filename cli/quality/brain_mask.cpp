#include "cli/quality/brain_mask.h"

#include <algorithm>
#include <cmath>

#include "cli/quality/clip_level.h"
#include "cli/quality/mask_morphology.h"

namespace quorvel::cli {

VoxelMask automaticBrainMask(const VoxelImage& meanImage, const VoxelGrid& grid) {
  VoxelMask mask(meanImage.size(), 0);
  // Too few positive values give a level of 0, and then every voxel of
  // mean 0 or more starts the mask, as in AFNI.
  const double level = clipLevel(meanImage);
  for (std::size_t voxel = 0; voxel < meanImage.size(); ++voxel) {
    mask[voxel] = meanImage[voxel] >= level ? 1 : 0;
  }
  // A slab or a line has no thickness to peel or holes to fill.
  if (grid.nx < 2 || grid.ny < 2 || grid.nz < 2) return mask;

  keepLargestPiece(mask, grid);
  peelAndRestore(mask, grid);
  keepLargestPiece(mask, grid);
  // Gaps of one voxel, up to three rounds.
  for (int round = 0; round < 3 && fillGaps(mask, grid, 1) > 0; ++round) {
  }
  // Wider gaps, to 1.6% of the grid's largest side.
  const auto share = [](std::size_t size) {
    return static_cast<std::size_t>(std::lrint(0.016 * static_cast<double>(size)));
  };
  const std::size_t reach =
      std::max<std::size_t>({1, share(grid.nx), share(grid.ny), share(grid.nz)});
  if (reach > 1 || share(grid.nz) > 0) {
    for (std::size_t width = 2; width < reach; ++width) fillGaps(mask, grid, width);
    while (fillGaps(mask, grid, reach) > 0) {
    }
  }
  peelAndRestore(mask, grid);
  keepLargestPiece(mask, grid);
  fillHoles(mask, grid);
  return mask;
}

}  // namespace quorvel::cli
