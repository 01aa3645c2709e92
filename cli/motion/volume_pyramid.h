// Coarser copies of a volume for the first steps of the realignment.
#ifndef QUORVEL_CLI_MOTION_VOLUME_PYRAMID_H_
#define QUORVEL_CLI_MOTION_VOLUME_PYRAMID_H_

#include <array>
#include <vector>

#include "cli/motion/motion_grid.h"

namespace quorvel::cli {

// A grid and where it sits: voxel index = mm / voxelSize + centre along
// each axis, mm measured from the centre of the run's own grid.
struct LevelGeometry {
  std::array<int, 3> size{};
  std::array<int, 3> factor{1, 1, 1};  // run voxels per voxel of this level
  std::array<double, 3> voxelSize{};
  std::array<double, 3> centre{};
};

// The run's own grid, its mm origin at voxel ((n - 1) / 2) of each axis.
LevelGeometry fineGeometry(const MotionGrid& grid);
// The grid of 2 x 2 x 2 blocks of `fine` (2 x 2 x 1 when the run has
// fewer than 8 slices, and no halving of an axis with fewer than 16 voxels
// in plane); an odd last voxel is left out.
LevelGeometry coarseGeometry(const LevelGeometry& fine);
// True when `coarse` halves at least one axis of the fine grid.
bool isCoarser(const LevelGeometry& coarse);

// The mean of each block of `fine` (of the fine grid) in `coarse`'s grid,
// written to `out` (coarse.size voxels, i fastest).
void averageBlocks(const float* fine, const LevelGeometry& fineLevel, const LevelGeometry& coarse,
                   float* out);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_VOLUME_PYRAMID_H_
