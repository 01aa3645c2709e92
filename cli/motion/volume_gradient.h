// The slope of a volume at a voxel, for the Jacobians of the realignment.
#ifndef QUORVEL_CLI_MOTION_VOLUME_GRADIENT_H_
#define QUORVEL_CLI_MOTION_VOLUME_GRADIENT_H_

#include <array>
#include <cstddef>

namespace quorvel::cli {

// The derivative of `image` (size[0] x size[1] x size[2], i fastest) along
// `axis` at voxel `at`, per mm for voxels `spacing` mm apart: the
// fourth-order central difference, which keeps the slope of fine detail
// that the plain one flattens; the plain one a voxel from the border,
// one-sided at it, and 0 across a single voxel.
inline double voxelDerivative(const float* image, const std::array<int, 3>& size, double spacing,
                              int axis, const std::array<int, 3>& at) {
  const int n = size[static_cast<std::size_t>(axis)];
  if (n < 2) return 0.0;
  const std::ptrdiff_t stride = axis == 0   ? 1
                                : axis == 1 ? size[0]
                                            : static_cast<std::ptrdiff_t>(size[0]) * size[1];
  const std::ptrdiff_t centre =
      (static_cast<std::ptrdiff_t>(at[2]) * size[1] + at[1]) * size[0] + at[0];
  const int position = at[static_cast<std::size_t>(axis)];
  if (position >= 2 && position + 2 < n) {
    const double near =
        static_cast<double>(image[centre + stride]) - static_cast<double>(image[centre - stride]);
    const double far = static_cast<double>(image[centre + 2 * stride]) -
                       static_cast<double>(image[centre - 2 * stride]);
    return (8.0 * near - far) / (12.0 * spacing);
  }
  const int lo = position > 0 ? 1 : 0, hi = position + 1 < n ? 1 : 0;
  const double difference = static_cast<double>(image[centre + hi * stride]) -
                            static_cast<double>(image[centre - lo * stride]);
  return difference / ((lo + hi) * spacing);
}

// The Jacobian row of a point at `p` (mm from the grid's centre) whose
// image has gradient `d` (per mm): a small rotation w moves p by w x p, so
// the value changes by d . (w x p) = w . (p x d).
inline std::array<double, 6> rigidJacobian(const double p[3], const double d[3]) {
  return {d[0],
          d[1],
          d[2],
          p[1] * d[2] - p[2] * d[1],
          p[2] * d[0] - p[0] * d[2],
          p[0] * d[1] - p[1] * d[0]};
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_VOLUME_GRADIENT_H_
