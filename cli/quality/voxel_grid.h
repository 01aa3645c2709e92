// The three-dimensional grid of a run's voxels, and the image and mask
// types laid out on it: voxel (x, y, z) at index x + nx (y + ny z), the
// order of a NIfTI file and of the samples the host holds.
#ifndef QUORVEL_CLI_QUALITY_VOXEL_GRID_H_
#define QUORVEL_CLI_QUALITY_VOXEL_GRID_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel::cli {

// The voxels along each axis of a grid.
struct VoxelGrid {
  std::size_t nx = 0, ny = 0, nz = 0;
  // The grid axes (0, 1 or 2) nearest the scanner's x and y axes, which
  // the field's IQMs name their directions after.
  int worldXAxis = 0, worldYAxis = 1;

  // Voxels of the whole grid.
  std::size_t voxels() const { return nx * ny * nz; }
};

// One value per voxel of a grid.
using VoxelImage = std::vector<double>;
// 1 for a voxel inside, 0 outside.
using VoxelMask = std::vector<std::uint8_t>;

// Voxels of `mask` that are inside.
std::size_t maskCount(const VoxelMask& mask);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_VOXEL_GRID_H_
