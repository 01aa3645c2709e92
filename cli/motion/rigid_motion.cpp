#include "cli/motion/rigid_motion.h"

#include <algorithm>
#include <cmath>

#include "cli/motion/plain_trigonometry.h"

namespace quorvel::cli {

std::array<double, 3> RigidMatrix::apply(const std::array<double, 3>& p) const {
  std::array<double, 3> out{};
  for (int r = 0; r < 3; ++r) {
    out[r] = matrix[r][0] * p[0] + matrix[r][1] * p[1] + matrix[r][2] * p[2] + offset[r];
  }
  return out;
}

RigidMatrix toMatrix(const RigidMotion& motion) {
  const double ca = plainCos(motion.rotation[0]), sa = plainSin(motion.rotation[0]);
  const double cb = plainCos(motion.rotation[1]), sb = plainSin(motion.rotation[1]);
  const double cc = plainCos(motion.rotation[2]), sc = plainSin(motion.rotation[2]);
  RigidMatrix out;
  // Rx(a) Ry(b) Rz(c), multiplied out.
  out.matrix = {{{cb * cc, -cb * sc, sb},
                 {ca * sc + sa * sb * cc, ca * cc - sa * sb * sc, -sa * cb},
                 {sa * sc - ca * sb * cc, sa * cc + ca * sb * sc, ca * cb}}};
  out.offset = motion.translation;
  return out;
}

RigidMotion toMotion(const RigidMatrix& moved) {
  const auto& m = moved.matrix;
  RigidMotion out;
  out.rotation[1] = plainAsin(std::clamp(m[0][2], -1.0, 1.0));
  out.rotation[0] = plainAtan2(-m[1][2], m[2][2]);
  out.rotation[2] = plainAtan2(-m[0][1], m[0][0]);
  out.translation = moved.offset;
  return out;
}

RigidMatrix composeWithInverse(const RigidMatrix& first, const RigidMatrix& second) {
  // second^-1(p) = S^T (p - s), so the whole is F S^T p + (f - F S^T s).
  RigidMatrix out;
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      out.matrix[r][c] = first.matrix[r][0] * second.matrix[c][0] +
                         first.matrix[r][1] * second.matrix[c][1] +
                         first.matrix[r][2] * second.matrix[c][2];
    }
  }
  for (int r = 0; r < 3; ++r) {
    out.offset[r] = first.offset[r] -
                    (out.matrix[r][0] * second.offset[0] + out.matrix[r][1] * second.offset[1] +
                     out.matrix[r][2] * second.offset[2]);
  }
  return out;
}

}  // namespace quorvel::cli
