// The voxel grid a run's volumes share, as the realignment sees it.
#ifndef QUORVEL_CLI_MOTION_MOTION_GRID_H_
#define QUORVEL_CLI_MOTION_MOTION_GRID_H_

#include <array>
#include <cstddef>

namespace quorvel::cli {

// Voxels along i, j, k (i fastest in memory, then j, then k) and their
// sizes in mm (pixdim[1..3] of the header).
struct MotionGrid {
  std::array<int, 3> size{};
  std::array<double, 3> voxelSize{1, 1, 1};

  std::size_t voxelCount() const {
    return static_cast<std::size_t>(size[0]) * static_cast<std::size_t>(size[1]) *
           static_cast<std::size_t>(size[2]);
  }
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_MOTION_GRID_H_
