// A run's motion as its quality files and pages show it: the per-volume
// confounds, the run's numbers, and what to say about them.
#ifndef QUORVEL_CLI_MOTION_MOTION_QUALITY_H_
#define QUORVEL_CLI_MOTION_MOTION_QUALITY_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/motion/framewise_displacement.h"
#include "cli/motion/run_motion.h"

namespace quorvel::cli {

// The BIDS confounds columns of the per-volume table, in this order.
extern const std::array<const char*, 7> kMotionColumns;

struct MotionQuality {
  // Why there are no numbers (a sentence without the file's name); empty
  // when there are.
  std::string unavailable;
  bool inPlaneOnly = false;
  std::size_t referenceVolume = 0;
  double fdThreshold = kDefaultFdThreshold;  // mm
  // Per volume: trans_x, trans_y, trans_z (mm), rot_x, rot_y, rot_z (rad),
  // framewise_displacement (mm); empty where undefined (every value when
  // unavailable; trans_z, rot_x, rot_y and FD for a run of 1 or 2 slices;
  // FD of the first volume).
  std::vector<std::array<std::optional<double>, 7>> volumes;
  MotionSummary summary;  // empty when FD is
};

// The quality view of `motion` for a run of `volumes` volumes, FD counted
// above `fdThreshold` mm.
MotionQuality motionQuality(const RunMotion& motion, std::size_t volumes, double fdThreshold);

// The warning for a run whose motion is missing or partial, beginning with
// `runPath`; none when every number is there.
std::optional<std::string> motionWarning(const std::string& runPath, const MotionQuality& motion);

// What the numbers say, a sentence or two for the run page: how much the
// head moved, how often FD passed the threshold and where the largest jump
// was.
std::string motionFindings(const MotionQuality& motion);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_MOTION_QUALITY_H_
