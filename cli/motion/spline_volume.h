// A volume as a cubic B-spline through its voxels: the reference is
// interpolated this way in the last steps of the realignment, where the
// interpolation's own error would otherwise be read as movement (trilinear
// and cubic-convolution kernels take the slope at a voxel as a central
// difference, which makes small movements look larger).
#ifndef QUORVEL_CLI_MOTION_SPLINE_VOLUME_H_
#define QUORVEL_CLI_MOTION_SPLINE_VOLUME_H_

#include <algorithm>
#include <cmath>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "cli/motion/volume_sampling.h"

namespace quorvel::cli {

// The B-spline coefficients of a volume. Axes of fewer than 4 voxels are
// not filtered and are interpolated linearly (a run of 1 to 3 slices).
struct SplineVolume {
  std::vector<float> coefficients;
  int nx = 0, ny = 0, nz = 0;
};

// The coefficients of `values` (nx x ny x nz, i fastest), mirrored at the
// borders.
SplineVolume splineVolume(const float* values, int nx, int ny, int nz);

// The cubic B-spline weights for taps -1, 0, 1, 2 at fraction t.
inline void splineWeights(float t, float w[4]) {
  const float s = 1.0f - t;
  w[0] = s * s * s * (1.0f / 6.0f);
  w[3] = t * t * t * (1.0f / 6.0f);
  w[1] = (2.0f / 3.0f) - 0.5f * t * t * (2.0f - t);
  w[2] = 1.0f - w[0] - w[1] - w[3];
}

// sum(w[c] * row_c[0..3]) over `rows` rows of 4 coefficients, lane by lane:
// the same additions in the same order with SSE2 as without.
struct Lanes {
  float v[4] = {0.0f, 0.0f, 0.0f, 0.0f};
};

inline void addRow(Lanes& acc, float weight, const float* row) {
#if defined(__SSE2__)
  const __m128 sum =
      _mm_add_ps(_mm_loadu_ps(acc.v), _mm_mul_ps(_mm_set1_ps(weight), _mm_loadu_ps(row)));
  _mm_storeu_ps(acc.v, sum);
#else
  for (int l = 0; l < 4; ++l) acc.v[l] += weight * row[l];
#endif
}

// The spline at voxel position (x, y, z); taps beyond the grid take the
// border's coefficients. The 16 rows of 4 coefficients are summed with
// weights wz * wy first, then across x.
inline float sampleSpline(const SplineVolume& v, float x, float y, float z) {
  const VolumeView view{v.coefficients.data(), v.nx, v.ny, v.nz};
  clampPosition(view, x, y, z);
  const float fx0 = std::floor(x), fy0 = std::floor(y), fz0 = std::floor(z);
  const int i = static_cast<int>(fx0), j = static_cast<int>(fy0), k = static_cast<int>(fz0);
  float wx[4], wy[4], wz[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  splineWeights(x - fx0, wx);
  splineWeights(y - fy0, wy);
  if (v.nz >= 4) {
    splineWeights(z - fz0, wz);
  } else {  // linear between the two nearest slices
    const float t = z - fz0;
    wz[1] = 1.0f - t;
    wz[2] = t;
  }
  int iz[4];
  for (int a = 0; a < 4; ++a) iz[a] = std::max(0, std::min(v.nz - 1, k - 1 + a));
  const std::ptrdiff_t row = view.rowStride(), slice = view.sliceStride();
  Lanes acc;
  if (i >= 1 && i + 2 < v.nx && j >= 1 && j + 2 < v.ny) {
    for (int c = 0; c < 4; ++c) {
      if (wz[c] == 0.0f) continue;
      const float* base = v.coefficients.data() + iz[c] * slice + (j - 1) * row + (i - 1);
      for (int b = 0; b < 4; ++b) addRow(acc, wz[c] * wy[b], base + b * row);
    }
  } else {
    int ix[4], iy[4];
    for (int a = 0; a < 4; ++a) {
      ix[a] = std::max(0, std::min(v.nx - 1, i - 1 + a));
      iy[a] = std::max(0, std::min(v.ny - 1, j - 1 + a));
    }
    for (int c = 0; c < 4; ++c) {
      if (wz[c] == 0.0f) continue;
      for (int b = 0; b < 4; ++b) {
        const float* r = v.coefficients.data() + iz[c] * slice + iy[b] * row;
        const float taps[4] = {r[ix[0]], r[ix[1]], r[ix[2]], r[ix[3]]};
        addRow(acc, wz[c] * wy[b], taps);
      }
    }
  }
  return (wx[0] * acc.v[0] + wx[1] * acc.v[1]) + (wx[2] * acc.v[2] + wx[3] * acc.v[3]);
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_SPLINE_VOLUME_H_
