#include "known_motion.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/motion/framewise_displacement.h"

namespace known_motion {

using quorvel::cli::RigidMotion;

int makeRun(const std::string& options, const std::string& run, const std::string& truth) {
  const std::string command = std::string(QUORVEL_PYTHON3) + " " + QUORVEL_MOTION_GENERATOR + " " +
                              options + " '" + run + "' '" + truth + "'";
  return std::system(command.c_str());
}

std::vector<RigidMotion> readTruth(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::vector<RigidMotion> out;
  if (!std::getline(in, line)) return out;  // the header
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    RigidMotion m;
    for (double& t : m.translation) fields >> t;
    for (double& r : m.rotation) fields >> r;
    if (!fields) return {};
    out.push_back(m);
  }
  return out;
}

std::vector<std::uint8_t> thresholdMask(const float* volume, std::size_t voxels) {
  const float largest = *std::max_element(volume, volume + voxels);
  std::vector<std::uint8_t> mask(voxels);
  for (std::size_t v = 0; v < voxels; ++v) mask[v] = volume[v] > 0.6f * largest ? 1 : 0;
  return mask;
}

Accuracy compare(const std::vector<RigidMotion>& estimate, const std::vector<RigidMotion>& truth,
                 std::size_t reference) {
  using quorvel::cli::composeWithInverse;
  using quorvel::cli::toMatrix;
  using quorvel::cli::toMotion;
  Accuracy out;
  const std::size_t n = std::min(estimate.size(), truth.size());
  std::vector<RigidMotion> relative(n);
  double t2 = 0, r2 = 0;
  for (std::size_t v = 0; v < n; ++v) {
    relative[v] = toMotion(composeWithInverse(toMatrix(truth[v]), toMatrix(truth[reference])));
    for (std::size_t a = 0; a < 3; ++a) {
      t2 += std::pow(estimate[v].translation[a] - relative[v].translation[a], 2);
      r2 += std::pow((estimate[v].rotation[a] - relative[v].rotation[a]) * 180.0 / M_PI, 2);
    }
  }
  out.translationRms = std::sqrt(t2 / static_cast<double>(3 * n));
  out.rotationRms = std::sqrt(r2 / static_cast<double>(3 * n));
  // FD is a difference of neighbours, so the truth's own FD serves
  // whatever the reference.
  const auto fdTrue = quorvel::cli::framewiseDisplacement(
      std::vector<RigidMotion>(truth.begin(), truth.begin() + static_cast<std::ptrdiff_t>(n)));
  const auto fdEstimate = quorvel::cli::framewiseDisplacement(std::vector<RigidMotion>(
      estimate.begin(), estimate.begin() + static_cast<std::ptrdiff_t>(n)));
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  const double m = static_cast<double>(n - 1);
  for (std::size_t v = 1; v < n; ++v) {
    const double a = *fdEstimate[v], b = *fdTrue[v];
    sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
  }
  out.estimatedMeanFd = sa / m;
  out.trueMeanFd = sb / m;
  out.meanFdError = std::fabs(out.estimatedMeanFd - out.trueMeanFd);
  const double cov = sab / m - out.estimatedMeanFd * out.trueMeanFd;
  const double va = saa / m - out.estimatedMeanFd * out.estimatedMeanFd;
  const double vb = sbb / m - out.trueMeanFd * out.trueMeanFd;
  out.fdCorrelation = cov / std::sqrt(va * vb);
  return out;
}

}  // namespace known_motion
