#include "cli/motion/parameter_system.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>

namespace quorvel::cli {

UsedParameters inPlaneParameters() {
  UsedParameters out;
  out.used[2] = out.used[3] = out.used[4] = false;  // trans_z, rot_x, rot_y
  return out;
}

bool invertUsed(ParameterMatrix& h, const UsedParameters& used) {
  std::size_t index[6], n = 0;
  for (std::size_t q = 0; q < 6; ++q) {
    if (used.used[q]) index[n++] = q;
  }
  double a[6][12] = {};
  double largest = 0.0;
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t c = 0; c < n; ++c) a[r][c] = h[index[r]][index[c]];
    a[r][n + r] = 1.0;
    largest = std::max(largest, std::fabs(a[r][r]));
  }
  if (!(largest > 0.0) || !std::isfinite(largest)) return false;
  for (std::size_t c = 0; c < n; ++c) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; ++r) {
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    }
    if (!(std::fabs(a[pivot][c]) > 1e-12 * largest)) return false;
    if (pivot != c) {
      for (std::size_t x = 0; x < 2 * n; ++x) std::swap(a[c][x], a[pivot][x]);
    }
    const double p = a[c][c];
    for (std::size_t x = 0; x < 2 * n; ++x) a[c][x] /= p;
    for (std::size_t r = 0; r < n; ++r) {
      if (r == c || a[r][c] == 0.0) continue;
      const double f = a[r][c];
      for (std::size_t x = 0; x < 2 * n; ++x) a[r][x] -= f * a[c][x];
    }
  }
  for (auto& row : h) row.fill(0.0);
  for (std::size_t r = 0; r < n; ++r) {
    for (std::size_t c = 0; c < n; ++c) h[index[r]][index[c]] = a[r][n + c];
  }
  return true;
}

}  // namespace quorvel::cli
