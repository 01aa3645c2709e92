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
#include "cli/quality/motion_numbers.h"

namespace quorvel::cli {

// The quality view of `motion` for a run of `volumes` volumes, FD counted
// above `fdThreshold` mm, with its findings.
MotionNumbers motionQuality(const RunMotion& motion, std::size_t volumes, double fdThreshold);

// The warning for a run whose motion is missing or partial, beginning with
// `runPath`; none when every number is there.
std::optional<std::string> motionWarning(const std::string& runPath, const MotionNumbers& motion);

// What the numbers say, a sentence or two for the run page: how much the
// head moved, how often FD passed the threshold and where the largest jump
// was.
std::string motionFindings(const MotionNumbers& motion);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_MOTION_QUALITY_H_
