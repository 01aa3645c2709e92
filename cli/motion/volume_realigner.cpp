#include "cli/motion/volume_realigner.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "cli/motion/volume_gradient.h"
#include "cli/motion/volume_sampling.h"

namespace quorvel::cli {
namespace {

// Steps are measured as the largest displacement they cause within 50 mm
// of the centre, in mm.
constexpr double kRadius = 50.0;

enum class Interpolation { kTrilinear, kCubic };

// Steps of the coarse level and of the fine one, and the step size (mm)
// below which each ends.
constexpr int kCoarseSteps = 8, kFineSteps = 6;
constexpr double kCoarseTolerance = 0.01, kFineTolerance = 0.001;
// A first fine step at least this long (mm) means the search started too
// far for the fine level alone.
constexpr double kSkipCoarse = 0.2;

RigidMotion solveStep(const ParameterMatrix& inverseHessian, const double b[6]) {
  RigidMotion step;
  for (std::size_t q = 0; q < 6; ++q) {
    double s = 0.0;
    for (std::size_t r = 0; r < 6; ++r) s += inverseHessian[q][r] * b[r];
    (q < 3 ? step.translation[q] : step.rotation[q - 3]) = s;
  }
  return step;
}

// One Gauss-Newton step on `level`: the update of the parameters that
// best explains the differences between the volume at the moved points
// and the reference.
template <Interpolation kind>
RigidMotion gaussNewtonStep(const ReferenceLevel& level, const VolumeView& volume,
                            const RigidMatrix& moved) {
  const LevelGeometry& g = level.geometry;
  // Voxel index of the moved point p: (A p + t) / size + centre.
  float m[3][3], o[3];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      m[r][c] = static_cast<float>(
          moved.matrix[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)] /
          g.voxelSize[static_cast<std::size_t>(r)]);
    }
    o[r] = static_cast<float>(moved.offset[static_cast<std::size_t>(r)] /
                                  g.voxelSize[static_cast<std::size_t>(r)] +
                              g.centre[static_cast<std::size_t>(r)]);
  }
  double b[6] = {};
  const std::size_t n = level.value.size();
  const float* jac = level.jacobian.data();
  for (std::size_t p = 0; p < n; ++p, jac += 6) {
    const float x = level.x[p], y = level.y[p], z = level.z[p];
    const float xi = m[0][0] * x + m[0][1] * y + m[0][2] * z + o[0];
    const float yi = m[1][0] * x + m[1][1] * y + m[1][2] * z + o[1];
    const float zi = m[2][0] * x + m[2][1] * y + m[2][2] * z + o[2];
    const float sample = kind == Interpolation::kCubic ? sampleCubic(volume, xi, yi, zi)
                                                       : sampleTrilinear(volume, xi, yi, zi);
    const double e = static_cast<double>(sample) - static_cast<double>(level.value[p]);
    for (int q = 0; q < 6; ++q) b[q] += static_cast<double>(jac[q]) * e;
  }
  return solveStep(level.inverseHessian, b);
}

double stepSize(const RigidMotion& step) {
  double largest = 0.0;
  for (int a = 0; a < 3; ++a) {
    largest = std::max(largest, std::fabs(step.translation[static_cast<std::size_t>(a)]));
    largest = std::max(largest, kRadius * std::fabs(step.rotation[static_cast<std::size_t>(a)]));
  }
  return largest;
}

}  // namespace

VolumeRealigner::VolumeRealigner(const RealignmentReference& reference) : reference_(reference) {
  for (const ReferenceLevel& level : reference.levels) {
    if (!isCoarser(level.geometry)) continue;
    levelVolumes_.emplace_back(static_cast<std::size_t>(level.geometry.size[0]) *
                               level.geometry.size[1] * level.geometry.size[2]);
  }
}

RigidMotion VolumeRealigner::realign(const float* volume, const RigidMotion& start) {
  const ReferenceLevel& fine = reference_.levels.back();
  const RigidMatrix moved = toMatrix(start);
  if (!prepareFine(fine, volume)) return toMotion(coarseSearch(volume, moved));
  // The fine level is searched from where the coarse one ends, unless its
  // first step from the start is already small.
  RigidMatrix back = composeWithInverse(RigidMatrix{}, moved);
  const RigidMatrix started = back;
  int steps = 1;
  double size = fineStep(fine, back);
  if (size >= kSkipCoarse && reference_.levels.size() > 1) {
    back = composeWithInverse(RigidMatrix{}, coarseSearch(volume, moved));
    size = fineStep(fine, back);
  } else if (!(size < kSkipCoarse)) {
    back = started;  // a single level and a diverging step: start again
    size = fineStep(fine, back);
  }
  for (; steps < kFineSteps && !(size < kFineTolerance); ++steps) size = fineStep(fine, back);
  return toMotion(composeWithInverse(RigidMatrix{}, back));
}

RigidMatrix VolumeRealigner::coarseSearch(const float* volume, RigidMatrix moved) {
  const LevelGeometry fine = fineGeometry(reference_.grid);
  std::size_t coarseIndex = 0;
  for (const ReferenceLevel& level : reference_.levels) {
    const LevelGeometry& g = level.geometry;
    if (!isCoarser(g)) break;
    std::vector<float>& blocks = levelVolumes_[coarseIndex++];
    averageBlocks(volume, fine, g, blocks.data());
    const VolumeView view{blocks.data(), g.size[0], g.size[1], g.size[2]};
    for (int step = 0; step < kCoarseSteps; ++step) {
      const RigidMotion update = gaussNewtonStep<Interpolation::kTrilinear>(level, view, moved);
      // Inverse composition: the reference moved by the update matches the
      // volume moved back, so the movement loses the update.
      moved = composeWithInverse(moved, toMatrix(update));
      if (stepSize(update) < kCoarseTolerance) break;
    }
  }
  return moved;
}

bool VolumeRealigner::prepareFine(const ReferenceLevel& level, const float* volume) {
  const LevelGeometry& g = level.geometry;
  const std::size_t n = level.value.size();
  jacobian_.resize(6 * n);
  values_.resize(n);
  ParameterMatrix hessian{};
  const std::ptrdiff_t row = g.size[0];
  const std::ptrdiff_t slice = row * g.size[1];
  for (std::size_t p = 0; p < n; ++p) {
    const std::array<int, 3>& at = level.voxel[p];
    values_[p] = volume[at[2] * slice + at[1] * row + at[0]];
    const double position[3] = {level.x[p], level.y[p], level.z[p]};
    double d[3] = {};
    for (int axis = 0; axis < 3; ++axis) {
      if (axis == 2 && !reference_.used.used[2]) continue;
      d[axis] =
          voxelDerivative(volume, g.size, g.voxelSize[static_cast<std::size_t>(axis)], axis, at);
    }
    std::array<double, 6> jac = rigidJacobian(position, d);
    for (std::size_t q = 0; q < 6; ++q) {
      if (!reference_.used.used[q]) jac[q] = 0.0;
      jacobian_[6 * p + q] = static_cast<float>(jac[q]);
    }
    for (std::size_t q = 0; q < 6; ++q) {
      for (std::size_t r = q; r < 6; ++r) hessian[q][r] += jac[q] * jac[r];
    }
  }
  for (std::size_t q = 0; q < 6; ++q) {
    for (std::size_t r = 0; r < q; ++r) hessian[q][r] = hessian[r][q];
  }
  inverseHessian_ = hessian;
  return invertUsed(inverseHessian_, reference_.used);
}

double VolumeRealigner::fineStep(const ReferenceLevel& level, RigidMatrix& back) {
  // Here the volume is the template and the reference is interpolated:
  // `back` carries the volume's points to the reference.
  const LevelGeometry& g = level.geometry;
  float m[3][3], o[3];
  for (std::size_t r = 0; r < 3; ++r) {
    for (std::size_t c = 0; c < 3; ++c) {
      m[r][c] = static_cast<float>(back.matrix[r][c] / g.voxelSize[r]);
    }
    o[r] = static_cast<float>(back.offset[r] / g.voxelSize[r] + g.centre[r]);
  }
  const std::size_t n = level.value.size();
  sampled_.resize(n);
  double cross = 0.0, square = 0.0;
  for (std::size_t p = 0; p < n; ++p) {
    const float x = level.x[p], y = level.y[p], z = level.z[p];
    const float xi = m[0][0] * x + m[0][1] * y + m[0][2] * z + o[0];
    const float yi = m[1][0] * x + m[1][1] * y + m[1][2] * z + o[1];
    const float zi = m[2][0] * x + m[2][1] * y + m[2][2] * z + o[2];
    const float r = sampleSpline(reference_.spline, xi, yi, zi);
    sampled_[p] = r;
    cross += static_cast<double>(r) * static_cast<double>(values_[p]);
    square += static_cast<double>(r) * static_cast<double>(r);
  }
  // The volume's brightness relative to the reference, fitted by least
  // squares at each step: volumes before the magnetisation settles, and
  // slow drifts of the whole signal, are then not read as movement.
  const double gain = square > 0.0 ? cross / square : 1.0;
  double b[6] = {};
  const float* jac = jacobian_.data();
  for (std::size_t p = 0; p < n; ++p, jac += 6) {
    const double e = gain * static_cast<double>(sampled_[p]) - static_cast<double>(values_[p]);
    for (int q = 0; q < 6; ++q) b[q] += static_cast<double>(jac[q]) * e;
  }
  const RigidMotion update = solveStep(inverseHessian_, b);
  back = composeWithInverse(back, toMatrix(update));
  return stepSize(update);
}

}  // namespace quorvel::cli
