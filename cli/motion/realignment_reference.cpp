#include "cli/motion/realignment_reference.h"

#include "cli/motion/volume_gradient.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace quorvel::cli {
namespace {

// The mask on `level`'s grid: a block is inside when any of its voxels is,
// so the coarse level keeps the edges of the brain, where the information
// is.
std::vector<std::uint8_t> levelMask(const std::vector<std::uint8_t>& mask, const MotionGrid& grid,
                                    const LevelGeometry& level) {
  std::vector<std::uint8_t> out(static_cast<std::size_t>(level.size[0]) * level.size[1] *
                                level.size[2]);
  const std::size_t row = static_cast<std::size_t>(grid.size[0]);
  const std::size_t slice = row * static_cast<std::size_t>(grid.size[1]);
  std::size_t at = 0;
  for (int k = 0; k < level.size[2]; ++k) {
    for (int j = 0; j < level.size[1]; ++j) {
      for (int i = 0; i < level.size[0]; ++i, ++at) {
        std::uint8_t inside = 0;
        for (int c = 0; c < level.factor[2]; ++c) {
          for (int b = 0; b < level.factor[1]; ++b) {
            for (int a = 0; a < level.factor[0]; ++a) {
              const std::size_t v = static_cast<std::size_t>(k * level.factor[2] + c) * slice +
                                    static_cast<std::size_t>(j * level.factor[1] + b) * row +
                                    static_cast<std::size_t>(i * level.factor[0] + a);
              if (mask[v] != 0) inside = 1;
            }
          }
        }
        out[at] = inside;
      }
    }
  }
  return out;
}

// The points of one level: the `limit` mask voxels of steepest gradient.
bool prepareLevel(const std::vector<float>& image, const std::vector<std::uint8_t>& mask,
                  const UsedParameters& used, std::size_t limit, ReferenceLevel& level) {
  const LevelGeometry& g = level.geometry;
  struct Candidate {
    double steepness;
    std::size_t voxel;
    float gradient[3];
  };
  std::vector<Candidate> candidates;
  std::size_t voxel = 0;
  for (int k = 0; k < g.size[2]; ++k) {
    for (int j = 0; j < g.size[1]; ++j) {
      for (int i = 0; i < g.size[0]; ++i, ++voxel) {
        if (mask[voxel] == 0) continue;
        Candidate c{0.0, voxel, {}};
        for (int axis = 0; axis < 3; ++axis) {
          if (axis == 2 && !used.used[2]) continue;
          const double d = voxelDerivative(
              image.data(), g.size, g.voxelSize[static_cast<std::size_t>(axis)], axis, {i, j, k});
          c.gradient[axis] = static_cast<float>(d);
          c.steepness += d * d;
        }
        if (c.steepness > 0.0 && std::isfinite(c.steepness) && std::isfinite(image[voxel])) {
          candidates.push_back(c);
        }
      }
    }
  }
  // Ties go to the lower voxel index, so the points are the same on every
  // platform whatever the selection algorithm does with equal keys.
  const auto steeper = [](const Candidate& a, const Candidate& b) {
    return a.steepness != b.steepness ? a.steepness > b.steepness : a.voxel < b.voxel;
  };
  if (candidates.size() > limit) {
    std::nth_element(candidates.begin(), candidates.begin() + static_cast<std::ptrdiff_t>(limit),
                     candidates.end(), steeper);
    candidates.resize(limit);
  }
  std::sort(candidates.begin(), candidates.end(),
            [](const Candidate& a, const Candidate& b) { return a.voxel < b.voxel; });

  ParameterMatrix hessian{};
  const std::size_t row = static_cast<std::size_t>(g.size[0]);
  const std::size_t slice = row * static_cast<std::size_t>(g.size[1]);
  for (const Candidate& c : candidates) {
    const std::array<int, 3> at = {static_cast<int>(c.voxel % row),
                                   static_cast<int>((c.voxel % slice) / row),
                                   static_cast<int>(c.voxel / slice)};
    double p[3], d[3];
    for (std::size_t a = 0; a < 3; ++a) {
      p[a] = (at[a] - g.centre[a]) * g.voxelSize[a];
      d[a] = c.gradient[a];
    }
    std::array<double, 6> jac = rigidJacobian(p, d);
    level.voxel.push_back(at);
    level.x.push_back(static_cast<float>(p[0]));
    level.y.push_back(static_cast<float>(p[1]));
    level.z.push_back(static_cast<float>(p[2]));
    level.value.push_back(image[c.voxel]);
    for (std::size_t q = 0; q < 6; ++q) {
      if (!used.used[q]) jac[q] = 0.0;
    }
    for (std::size_t q = 0; q < 6; ++q) {
      level.jacobian.push_back(static_cast<float>(jac[q]));
      for (std::size_t r = 0; r < 6; ++r) hessian[q][r] += jac[q] * jac[r];
    }
  }
  level.inverseHessian = hessian;
  return invertUsed(level.inverseHessian, used);
}

}  // namespace

ReferenceOrProblem prepareReference(const MotionGrid& grid, const float* volume,
                                    const std::vector<std::uint8_t>& mask,
                                    const RealignmentPoints& points) {
  ReferenceOrProblem out;
  if (grid.voxelCount() == 0 || mask.size() != grid.voxelCount()) {
    out.problem = "the brain mask does not match the run's grid";
    return out;
  }
  for (int a = 0; a < 3; ++a) {
    if (!(grid.voxelSize[a] > 0.0) || !std::isfinite(grid.voxelSize[a])) {
      out.problem = "the header gives no usable voxel size";
      return out;
    }
  }
  if (std::none_of(mask.begin(), mask.end(), [](std::uint8_t m) { return m != 0; })) {
    out.problem = "the brain mask is empty";
    return out;
  }
  RealignmentReference reference;
  reference.grid = grid;
  reference.inPlaneOnly = grid.size[2] < 3;
  if (reference.inPlaneOnly) reference.used = inPlaneParameters();
  const LevelGeometry fine = fineGeometry(grid);
  const LevelGeometry coarse = coarseGeometry(fine);
  std::vector<LevelGeometry> geometries;
  if (isCoarser(coarse)) geometries.push_back(coarse);
  geometries.push_back(fine);
  for (const LevelGeometry& geometry : geometries) {
    ReferenceLevel level;
    level.geometry = geometry;
    std::vector<float> image(volume, volume + grid.voxelCount());
    std::vector<std::uint8_t> levelMaskBytes = mask;
    if (isCoarser(geometry)) {
      std::vector<float> blocks(static_cast<std::size_t>(geometry.size[0]) * geometry.size[1] *
                                geometry.size[2]);
      averageBlocks(volume, fine, geometry, blocks.data());
      image = std::move(blocks);
      levelMaskBytes = levelMask(mask, grid, geometry);
    }
    const std::size_t limit = isCoarser(geometry) ? points.coarse : points.fine;
    if (!prepareLevel(image, levelMaskBytes, reference.used, limit, level)) {
      out.problem = "the reference volume holds too little structure inside the brain mask";
      return out;
    }
    reference.levels.push_back(std::move(level));
  }
  reference.spline = splineVolume(volume, grid.size[0], grid.size[1], grid.size[2]);
  out.reference = std::move(reference);
  return out;
}

}  // namespace quorvel::cli
