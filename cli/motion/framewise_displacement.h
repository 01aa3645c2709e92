// Framewise displacement (Power et al. 2012) and the run's motion numbers.
#ifndef QUORVEL_CLI_MOTION_FRAMEWISE_DISPLACEMENT_H_
#define QUORVEL_CLI_MOTION_FRAMEWISE_DISPLACEMENT_H_

#include <cstddef>
#include <optional>
#include <vector>

#include "cli/motion/rigid_motion.h"

namespace quorvel::cli {

// Radius of the sphere on which rotations become arc lengths (mm).
constexpr double kFramewiseRadius = 50.0;
// The FD above which a volume counts as moved by default (mm).
constexpr double kDefaultFdThreshold = 0.2;

// FD of each volume: the sum of the absolute differences of the six
// parameters from the previous volume's, the rotations as arc lengths on a
// 50 mm sphere; none for the first volume.
std::vector<std::optional<double>> framewiseDisplacement(const std::vector<RigidMotion>& motion);

// The run's motion numbers.
struct MotionSummary {
  std::optional<double> fdMean;          // mean FD over volumes 1 ... t-1 (mm)
  std::optional<long> fdNum;             // volumes with FD above the threshold
  std::optional<double> fdPerc;          // fdNum as a percentage of all t volumes
  std::optional<double> maxTranslation;  // largest |trans_*| of any volume (mm)
  std::optional<double> maxRotation;     // largest |rot_*| of any volume (rad)
};

// The numbers of `motion` with FD threshold `threshold` (mm); all empty
// for fewer than 2 volumes.
MotionSummary summariseMotion(const std::vector<RigidMotion>& motion, double threshold);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_FRAMEWISE_DISPLACEMENT_H_
