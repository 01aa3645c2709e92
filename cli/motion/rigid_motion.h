// A rigid-body movement of the head in millimetres and radians, and the
// matrix form the realignment works with.
//
// Coordinates are millimetres along the image's own voxel axes (i, j, k
// scaled by the voxel sizes), with the origin at the centre of the grid,
// voxel ((nx - 1) / 2, (ny - 1) / 2, (nz - 1) / 2). The header's qform and
// sform orientation does not enter: for the usual axial acquisition the
// voxel axes are the scanner's x, y and z up to their signs.
#ifndef QUORVEL_CLI_MOTION_RIGID_MOTION_H_
#define QUORVEL_CLI_MOTION_RIGID_MOTION_H_

#include <array>

namespace quorvel::cli {

// Where the head went: the point at p in the reference volume lies at
// R p + t in the volume, with R = Rx(rotation[0]) Ry(rotation[1])
// Rz(rotation[2]) (rotations about the axes through the grid's centre,
// right-handed, in radians) and t = translation (mm).
struct RigidMotion {
  std::array<double, 3> translation{};
  std::array<double, 3> rotation{};
};

// The same movement as p -> matrix p + offset.
struct RigidMatrix {
  std::array<std::array<double, 3>, 3> matrix{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
  std::array<double, 3> offset{};

  // The point `p` moved.
  std::array<double, 3> apply(const std::array<double, 3>& p) const;
};

// The matrix form of `motion`.
RigidMatrix toMatrix(const RigidMotion& motion);
// The angles and translation of a rotation-and-translation `moved`
// (rotation[1] within [-pi/2, pi/2]).
RigidMotion toMotion(const RigidMatrix& moved);
// `first` followed by the inverse of `second`: p -> first(second^-1(p)).
RigidMatrix composeWithInverse(const RigidMatrix& first, const RigidMatrix& second);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_RIGID_MOTION_H_
