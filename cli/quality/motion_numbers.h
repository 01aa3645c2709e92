// A run's head motion as the quality files and pages show it; the motion
// folder makes it from its realignment.
#ifndef QUORVEL_CLI_QUALITY_MOTION_NUMBERS_H_
#define QUORVEL_CLI_QUALITY_MOTION_NUMBERS_H_

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "cli/quality/motion_rows.h"

namespace quorvel::cli {

// The BIDS confounds columns of the per-volume table, in this order.
constexpr std::array<const char*, kMotionColumnCount> kMotionColumns = {
    "trans_x", "trans_y", "trans_z", "rot_x", "rot_y", "rot_z", "framewise_displacement"};

struct MotionNumbers {
  // Why there are no numbers (a sentence without the file's name); empty
  // when there are.
  std::string unavailable;
  bool inPlaneOnly = false;  // only trans_x, trans_y, rot_z (1 or 2 slices)
  std::size_t referenceVolume = 0;
  double fdThreshold = 0.2;  // mm
  // Per volume, the columns of kMotionColumns: mm, rad and mm; empty
  // where undefined.
  MotionRows volumes;
  std::optional<double> fdMean;          // mm, over volumes 1 ... t-1
  std::optional<long> fdNum;             // volumes with FD above fdThreshold
  std::optional<double> fdPerc;          // fdNum as a percentage of the volumes
  std::optional<double> maxTranslation;  // mm, largest |trans_*|
  std::optional<double> maxRotation;     // rad, largest |rot_*|
  std::string findings;                  // what they say, in a sentence or three
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_MOTION_NUMBERS_H_
