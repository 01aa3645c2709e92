// A volume's value between its voxels: trilinear for the first steps of
// the realignment, cubic convolution (Keys, a = -1/2) for its last.
//
// Positions are voxel indices (i fastest). Outside the grid the volume is
// taken to go on as its border voxels: the head lies inside the field of
// view, so its border is background.
#ifndef QUORVEL_CLI_MOTION_VOLUME_SAMPLING_H_
#define QUORVEL_CLI_MOTION_VOLUME_SAMPLING_H_

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace quorvel::cli {

// A volume of nx x ny x nz floats, i fastest, and its strides.
struct VolumeView {
  const float* values = nullptr;
  int nx = 0, ny = 0, nz = 0;

  std::ptrdiff_t rowStride() const { return nx; }
  std::ptrdiff_t sliceStride() const { return static_cast<std::ptrdiff_t>(nx) * ny; }
};

// Keeps a position within two voxels of the grid (a NaN goes to its
// corner), which changes no value and keeps the index conversions defined.
inline void clampPosition(const VolumeView& v, float& x, float& y, float& z) {
  x = std::min(static_cast<float>(v.nx + 1), std::max(-2.0f, x));
  y = std::min(static_cast<float>(v.ny + 1), std::max(-2.0f, y));
  z = std::min(static_cast<float>(v.nz + 1), std::max(-2.0f, z));
}

// The volume at (x, y, z) by trilinear interpolation.
inline float sampleTrilinear(const VolumeView& v, float x, float y, float z) {
  clampPosition(v, x, y, z);
  const float fx0 = std::floor(x), fy0 = std::floor(y), fz0 = std::floor(z);
  int i = static_cast<int>(fx0), j = static_cast<int>(fy0), k = static_cast<int>(fz0);
  float tx = x - fx0, ty = y - fy0, tz = z - fz0;
  // Off the grid, or on its last plane: clamp the cell and its weight so
  // the border voxels go on outwards.
  if (i < 0 || i >= v.nx - 1) {
    const int edge = i < 0 ? 0 : v.nx - 1;
    i = std::max(0, std::min(edge, v.nx - 2));
    tx = v.nx == 1 ? 0.0f : static_cast<float>(edge - i);
  }
  if (j < 0 || j >= v.ny - 1) {
    const int edge = j < 0 ? 0 : v.ny - 1;
    j = std::max(0, std::min(edge, v.ny - 2));
    ty = v.ny == 1 ? 0.0f : static_cast<float>(edge - j);
  }
  if (k < 0 || k >= v.nz - 1) {
    const int edge = k < 0 ? 0 : v.nz - 1;
    k = std::max(0, std::min(edge, v.nz - 2));
    tz = v.nz == 1 ? 0.0f : static_cast<float>(edge - k);
  }
  const std::ptrdiff_t sx = v.nx > 1 ? 1 : 0;
  const std::ptrdiff_t sy = v.ny > 1 ? v.rowStride() : 0;
  const std::ptrdiff_t sz = v.nz > 1 ? v.sliceStride() : 0;
  const float* p = v.values + k * v.sliceStride() + j * v.rowStride() + i;
  const float c00 = p[0] + tx * (p[sx] - p[0]);
  const float c10 = p[sy] + tx * (p[sy + sx] - p[sy]);
  const float c01 = p[sz] + tx * (p[sz + sx] - p[sz]);
  const float c11 = p[sz + sy] + tx * (p[sz + sy + sx] - p[sz + sy]);
  const float c0 = c00 + ty * (c10 - c00);
  const float c1 = c01 + ty * (c11 - c01);
  return c0 + tz * (c1 - c0);
}

// The four cubic-convolution weights for taps -1, 0, 1, 2 at fraction t.
inline void keysWeights(float t, float w[4]) {
  w[0] = ((-0.5f * t + 1.0f) * t - 0.5f) * t;
  w[1] = (1.5f * t - 2.5f) * t * t + 1.0f;
  w[2] = ((-1.5f * t + 2.0f) * t + 0.5f) * t;
  w[3] = (0.5f * t - 0.5f) * t * t;
}

// The volume at (x, y, z) by separable cubic convolution over 4 x 4 x 4
// voxels. An axis of fewer than 4 voxels is interpolated with clamped taps.
inline float sampleCubic(const VolumeView& v, float x, float y, float z) {
  clampPosition(v, x, y, z);
  const float fx0 = std::floor(x), fy0 = std::floor(y), fz0 = std::floor(z);
  const int i = static_cast<int>(fx0), j = static_cast<int>(fy0), k = static_cast<int>(fz0);
  float wx[4], wy[4], wz[4];
  keysWeights(x - fx0, wx);
  keysWeights(y - fy0, wy);
  keysWeights(z - fz0, wz);
  const bool inside = i >= 1 && i + 2 < v.nx && j >= 1 && j + 2 < v.ny && k >= 1 && k + 2 < v.nz;
  float sum = 0.0f;
  if (inside) {
    const float* base = v.values + (k - 1) * v.sliceStride() + (j - 1) * v.rowStride() + (i - 1);
    for (int c = 0; c < 4; ++c) {
      const float* slice = base + c * v.sliceStride();
      float plane = 0.0f;
      for (int b = 0; b < 4; ++b) {
        const float* row = slice + b * v.rowStride();
        plane += wy[b] * (wx[0] * row[0] + wx[1] * row[1] + wx[2] * row[2] + wx[3] * row[3]);
      }
      sum += wz[c] * plane;
    }
    return sum;
  }
  int ix[4], iy[4], iz[4];
  for (int a = 0; a < 4; ++a) {
    ix[a] = std::max(0, std::min(v.nx - 1, i - 1 + a));
    iy[a] = std::max(0, std::min(v.ny - 1, j - 1 + a));
    iz[a] = std::max(0, std::min(v.nz - 1, k - 1 + a));
  }
  for (int c = 0; c < 4; ++c) {
    float plane = 0.0f;
    for (int b = 0; b < 4; ++b) {
      const float* row = v.values + iz[c] * v.sliceStride() + iy[b] * v.rowStride();
      plane += wy[b] *
               (wx[0] * row[ix[0]] + wx[1] * row[ix[1]] + wx[2] * row[ix[2]] + wx[3] * row[ix[3]]);
    }
    sum += wz[c] * plane;
  }
  return sum;
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_VOLUME_SAMPLING_H_
