#include "cli/motion/spline_volume.h"

#include <cstddef>

namespace quorvel::cli {
namespace {

// Turns the samples of one line (`n` of them, `stride` apart) into cubic
// B-spline coefficients: the recursive filter of Unser, Aldroubi and Eden
// (1991), with mirrored borders.
void filterLine(float* line, std::size_t n, std::ptrdiff_t stride, std::vector<double>& c) {
  const double z = std::sqrt(3.0) - 2.0;
  c.resize(n);
  for (std::size_t k = 0; k < n; ++k)
    c[k] = 6.0 * static_cast<double>(line[static_cast<std::ptrdiff_t>(k) * stride]);
  // The causal filter's start: the mirrored line's past, to double precision.
  double sum = c[0], power = z;
  const std::size_t horizon = std::min<std::size_t>(n, 30);
  for (std::size_t k = 1; k < horizon; ++k, power *= z) sum += power * c[k];
  c[0] = sum;
  for (std::size_t k = 1; k < n; ++k) c[k] += z * c[k - 1];
  c[n - 1] = (z / (z * z - 1.0)) * (c[n - 1] + z * c[n - 2]);
  for (std::size_t k = n - 1; k-- > 0;) c[k] = z * (c[k + 1] - c[k]);
  for (std::size_t k = 0; k < n; ++k)
    line[static_cast<std::ptrdiff_t>(k) * stride] = static_cast<float>(c[k]);
}

}  // namespace

SplineVolume splineVolume(const float* values, int nx, int ny, int nz) {
  SplineVolume out;
  out.nx = nx, out.ny = ny, out.nz = nz;
  out.coefficients.assign(values, values + static_cast<std::size_t>(nx) * ny * nz);
  float* v = out.coefficients.data();
  const std::ptrdiff_t row = nx, slice = static_cast<std::ptrdiff_t>(nx) * ny;
  std::vector<double> scratch;
  if (nx >= 4) {
    for (std::ptrdiff_t l = 0; l < slice / nx * nz; ++l)
      filterLine(v + l * nx, static_cast<std::size_t>(nx), 1, scratch);
  }
  if (ny >= 4) {
    for (int k = 0; k < nz; ++k) {
      for (int i = 0; i < nx; ++i)
        filterLine(v + k * slice + i, static_cast<std::size_t>(ny), row, scratch);
    }
  }
  if (nz >= 4) {
    for (std::ptrdiff_t l = 0; l < slice; ++l)
      filterLine(v + l, static_cast<std::size_t>(nz), slice, scratch);
  }
  return out;
}

}  // namespace quorvel::cli
