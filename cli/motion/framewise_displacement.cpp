#include "cli/motion/framewise_displacement.h"

#include <algorithm>
#include <cmath>

namespace quorvel::cli {

std::vector<std::optional<double>> framewiseDisplacement(const std::vector<RigidMotion>& motion) {
  std::vector<std::optional<double>> out(motion.size());
  for (std::size_t v = 1; v < motion.size(); ++v) {
    double sum = 0.0;
    for (std::size_t a = 0; a < 3; ++a) {
      sum += std::fabs(motion[v].translation[a] - motion[v - 1].translation[a]);
    }
    for (std::size_t a = 0; a < 3; ++a) {
      sum += kFramewiseRadius * std::fabs(motion[v].rotation[a] - motion[v - 1].rotation[a]);
    }
    out[v] = sum;
  }
  return out;
}

MotionSummary summariseMotion(const std::vector<RigidMotion>& motion, double threshold) {
  MotionSummary out;
  if (motion.size() < 2) return out;
  const std::vector<std::optional<double>> fd = framewiseDisplacement(motion);
  double sum = 0.0;
  long above = 0;
  for (std::size_t v = 1; v < fd.size(); ++v) {
    sum += *fd[v];
    if (*fd[v] > threshold) ++above;
  }
  out.fdMean = sum / static_cast<double>(fd.size() - 1);
  out.fdNum = above;
  out.fdPerc = 100.0 * static_cast<double>(above) / static_cast<double>(motion.size());
  double translation = 0.0, rotation = 0.0;
  for (const RigidMotion& m : motion) {
    for (std::size_t a = 0; a < 3; ++a) {
      translation = std::max(translation, std::fabs(m.translation[a]));
      rotation = std::max(rotation, std::fabs(m.rotation[a]));
    }
  }
  out.maxTranslation = translation;
  out.maxRotation = rotation;
  return out;
}

}  // namespace quorvel::cli
