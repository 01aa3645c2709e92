#include "cli/quality/mask_morphology.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace quorvel::cli {
namespace {

// A voxel's place on the grid.
struct Place {
  std::size_t x, y, z;
};

Place placeOf(std::size_t voxel, const VoxelGrid& grid) {
  return {voxel % grid.nx, (voxel / grid.nx) % grid.ny, voxel / (grid.nx * grid.ny)};
}

// The 18 face and edge neighbours' offsets.
constexpr std::array<std::array<int, 3>, 18> kFaceAndEdge = {{
    {-1, 0, 0},
    {1, 0, 0},
    {0, -1, 0},
    {0, 1, 0},
    {0, 0, -1},
    {0, 0, 1},
    {-1, -1, 0},
    {-1, 1, 0},
    {1, -1, 0},
    {1, 1, 0},
    {-1, 0, -1},
    {-1, 0, 1},
    {1, 0, -1},
    {1, 0, 1},
    {0, -1, -1},
    {0, -1, 1},
    {0, 1, -1},
    {0, 1, 1},
}};

// One coordinate moved by `step`, held at the grid's edge.
std::size_t heldStep(std::size_t at, int step, std::size_t size) {
  if (step < 0) return at == 0 ? 0 : at - 1;
  if (step > 0) return at + 1 >= size ? at : at + 1;
  return at;
}

// Inside neighbours of `voxel` among the 18, those beyond the edge
// repeating the edge.
int heldNeighbours(const VoxelMask& mask, const VoxelGrid& grid, std::size_t voxel) {
  const Place p = placeOf(voxel, grid);
  int count = 0;
  for (const auto& offset : kFaceAndEdge) {
    const std::size_t x = heldStep(p.x, offset[0], grid.nx);
    const std::size_t y = heldStep(p.y, offset[1], grid.ny);
    const std::size_t z = heldStep(p.z, offset[2], grid.nz);
    count += mask[x + grid.nx * (y + grid.ny * z)];
  }
  return count;
}

// The voxels of the piece holding `seed` whose voxels touch by a face,
// each marked in `seen`.
std::vector<std::size_t> pieceAt(const VoxelMask& mask, const VoxelGrid& grid, std::size_t seed,
                                 std::vector<std::uint8_t>& seen) {
  std::vector<std::size_t> piece{seed};
  seen[seed] = 1;
  const std::size_t slice = grid.nx * grid.ny;
  for (std::size_t next = 0; next < piece.size(); ++next) {
    const std::size_t voxel = piece[next];
    const Place p = placeOf(voxel, grid);
    const auto visit = [&](std::size_t neighbour) {
      if (mask[neighbour] != 0 && seen[neighbour] == 0) {
        seen[neighbour] = 1;
        piece.push_back(neighbour);
      }
    };
    if (p.x > 0) visit(voxel - 1);
    if (p.x + 1 < grid.nx) visit(voxel + 1);
    if (p.y > 0) visit(voxel - grid.nx);
    if (p.y + 1 < grid.ny) visit(voxel + grid.nx);
    if (p.z > 0) visit(voxel - slice);
    if (p.z + 1 < grid.nz) visit(voxel + slice);
  }
  return piece;
}

}  // namespace

std::size_t maskCount(const VoxelMask& mask) {
  return static_cast<std::size_t>(std::count(mask.begin(), mask.end(), std::uint8_t{1}));
}

void keepLargestPiece(VoxelMask& mask, const VoxelGrid& grid) {
  std::vector<std::uint8_t> seen(mask.size(), 0);
  std::vector<std::size_t> largest;
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (mask[voxel] == 0 || seen[voxel] != 0) continue;
    std::vector<std::size_t> piece = pieceAt(mask, grid, voxel, seen);
    if (piece.size() > largest.size()) largest = std::move(piece);
  }
  std::fill(mask.begin(), mask.end(), std::uint8_t{0});
  for (std::size_t voxel : largest) mask[voxel] = 1;
}

void peelAndRestore(VoxelMask& mask, const VoxelGrid& grid) {
  if (grid.voxels() < 27) return;
  std::vector<std::uint8_t> peeled(mask.size(), 0);
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (mask[voxel] != 0 && heldNeighbours(mask, grid, voxel) < 17) peeled[voxel] = 1;
  }
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (peeled[voxel] != 0) mask[voxel] = 0;
  }
  std::vector<std::uint8_t> restored(mask.size(), 0);
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (peeled[voxel] != 0 && heldNeighbours(mask, grid, voxel) > 0) restored[voxel] = 1;
  }
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (restored[voxel] != 0) mask[voxel] = 1;
  }
}

std::size_t fillGaps(VoxelMask& mask, const VoxelGrid& grid, std::size_t reach) {
  const std::size_t sizes[3] = {grid.nx, grid.ny, grid.nz};
  const std::size_t strides[3] = {1, grid.nx, grid.nx * grid.ny};
  std::size_t reaches[3];
  for (int axis = 0; axis < 3; ++axis) {
    reaches[axis] = std::min(reach, sizes[axis] == 0 ? 0 : (sizes[axis] - 1) / 2);
  }
  if (reach == 0 || (reaches[0] == 0 && reaches[1] == 0 && reaches[2] == 0)) return 0;
  std::vector<std::uint8_t> added(mask.size(), 0);
  std::size_t count = 0;
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (mask[voxel] != 0) continue;
    const Place p = placeOf(voxel, grid);
    const std::size_t at[3] = {p.x, p.y, p.z};
    bool within = true;
    for (int axis = 0; axis < 3; ++axis) {
      within = within && at[axis] >= reaches[axis] && at[axis] + reaches[axis] < sizes[axis];
    }
    if (!within) continue;
    for (int axis = 0; axis < 3 && added[voxel] == 0; ++axis) {
      bool before = false, after = false;
      for (std::size_t step = 1; step <= reaches[axis]; ++step) {
        before = before || mask[voxel - step * strides[axis]] != 0;
        after = after || mask[voxel + step * strides[axis]] != 0;
      }
      if (before && after) {
        added[voxel] = 1;
        ++count;
      }
    }
  }
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (added[voxel] != 0) mask[voxel] = 1;
  }
  return count;
}

void fillHoles(VoxelMask& mask, const VoxelGrid& grid) {
  for (std::uint8_t& inside : mask) inside = inside != 0 ? 0 : 1;
  keepLargestPiece(mask, grid);
  for (std::uint8_t& inside : mask) inside = inside != 0 ? 0 : 1;
}

VoxelMask interiorOf(const VoxelMask& mask, const VoxelGrid& grid) {
  VoxelMask interior(mask.size(), 0);
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    if (mask[voxel] == 0) continue;
    const Place p = placeOf(voxel, grid);
    bool all = true;
    for (const auto& offset : kFaceAndEdge) {
      const long x = static_cast<long>(p.x) + offset[0];
      const long y = static_cast<long>(p.y) + offset[1];
      const long z = static_cast<long>(p.z) + offset[2];
      if (x < 0 || y < 0 || z < 0 || x >= static_cast<long>(grid.nx) ||
          y >= static_cast<long>(grid.ny) || z >= static_cast<long>(grid.nz) ||
          mask[static_cast<std::size_t>(x) +
               grid.nx * (static_cast<std::size_t>(y) + grid.ny * static_cast<std::size_t>(z))] ==
              0) {
        all = false;
        break;
      }
    }
    interior[voxel] = all ? 1 : 0;
  }
  return interior;
}

}  // namespace quorvel::cli
