// The steps of the field's automatic brain mask on a mask of a voxel grid:
// keeping the largest connected piece, peeling thin attachments, filling
// gaps and holes, and the erosion that keeps only a mask's interior.
#ifndef QUORVEL_CLI_QUALITY_MASK_MORPHOLOGY_H_
#define QUORVEL_CLI_QUALITY_MASK_MORPHOLOGY_H_

#include <cstddef>

#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// Keeps only the largest piece of `mask` whose voxels touch by a face
// (the first in voxel order among pieces of equal size).
void keepLargestPiece(VoxelMask& mask, const VoxelGrid& grid);

// Peels the voxels with fewer than 17 of their 18 face and edge
// neighbours inside (neighbours beyond the grid's edge repeat the edge),
// then puts back those a surviving voxel still touches: pieces attached
// by less than two voxels' thickness come off, the rest keeps its shape.
void peelAndRestore(VoxelMask& mask, const VoxelGrid& grid);

// Adds every outside voxel that has inside voxels within `reach` voxels on
// both sides along one axis; returns the voxels added.
std::size_t fillGaps(VoxelMask& mask, const VoxelGrid& grid, std::size_t reach);

// Adds every outside region that does not reach the grid's edge, as seen
// from the largest outside piece (whose voxels touch by a face).
void fillHoles(VoxelMask& mask, const VoxelGrid& grid);

// The voxels of `mask` whose 18 face and edge neighbours are all inside,
// voxels beyond the grid's edge counting as outside.
VoxelMask interiorOf(const VoxelMask& mask, const VoxelGrid& grid);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_MASK_MORPHOLOGY_H_
