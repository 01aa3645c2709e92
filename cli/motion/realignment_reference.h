// What the realignment needs of the reference volume, worked out once per
// run: for each level of detail the points it compares, the reference's
// values there, and how each point's value changes with each of the six
// parameters (the Jacobian of the inverse-compositional Gauss-Newton
// method), with the inverse of its Gauss-Newton Hessian.
#ifndef QUORVEL_CLI_MOTION_REALIGNMENT_REFERENCE_H_
#define QUORVEL_CLI_MOTION_REALIGNMENT_REFERENCE_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/motion/motion_grid.h"
#include "cli/motion/parameter_system.h"
#include "cli/motion/spline_volume.h"
#include "cli/motion/volume_pyramid.h"

namespace quorvel::cli {

// How many points each level compares at most; the ones with the
// steepest reference gradient are kept.
struct RealignmentPoints {
  std::size_t coarse = 4000;
  std::size_t fine = 6000;
};

// One level of detail of the reference.
struct ReferenceLevel {
  LevelGeometry geometry;
  // The points: voxels of the level's grid, and in mm from its centre.
  std::vector<std::array<int, 3>> voxel;
  std::vector<float> x, y, z;
  std::vector<float> value;     // the reference there
  std::vector<float> jacobian;  // six per point: d value / d parameter
  // (J^T J)^-1 over the parameters estimated; zero rows and columns for
  // the others.
  ParameterMatrix inverseHessian{};
};

// The reference of a run's realignment.
struct RealignmentReference {
  MotionGrid grid;
  // Only trans_x, trans_y and rot_z are estimated: a run of 1 or 2 slices
  // cannot show movement across its slices.
  bool inPlaneOnly = false;
  UsedParameters used;
  std::vector<ReferenceLevel> levels;  // coarsest first
  SplineVolume spline;                 // the reference itself, for the last steps
};

// A reference, or why none could be made.
struct ReferenceOrProblem {
  std::optional<RealignmentReference> reference;
  std::string problem;  // a sentence without the file's name
};

// Prepares `volume` (grid.voxelCount() floats, i fastest) as the reference,
// compared inside `mask` (one byte per voxel, non-zero inside). No
// reference when the mask is empty or holds too little structure to fix
// every parameter.
ReferenceOrProblem prepareReference(const MotionGrid& grid, const float* volume,
                                    const std::vector<std::uint8_t>& mask,
                                    const RealignmentPoints& points = {});

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_REALIGNMENT_REFERENCE_H_
