#include "cli/motion/motion_quality.h"

#include <cmath>
#include <cstdio>

#include "cli/base/number_text.h"

namespace quorvel::cli {

MotionNumbers motionQuality(const RunMotion& motion, std::size_t volumes, double fdThreshold) {
  MotionNumbers out;
  out.unavailable = motion.unavailable;
  out.inPlaneOnly = motion.inPlaneOnly;
  out.referenceVolume = motion.referenceVolume;
  out.fdThreshold = fdThreshold;
  out.volumes.resize(volumes);
  if (!motion.unavailable.empty() || motion.volumes.size() != volumes) {
    if (out.unavailable.empty()) out.unavailable = "the motion estimate is incomplete";
    out.findings = motionFindings(out);
    return out;
  }
  const std::vector<std::optional<double>> fd = framewiseDisplacement(motion.volumes);
  for (std::size_t v = 0; v < volumes; ++v) {
    const RigidMotion& m = motion.volumes[v];
    MotionRow row;
    for (std::size_t a = 0; a < 3; ++a) {
      row[a] = m.translation[a];
      row[3 + a] = m.rotation[a];
    }
    row[6] = fd[v];
    if (motion.inPlaneOnly) row[2] = row[3] = row[4] = row[6] = std::nullopt;
    for (std::size_t c = 0; c < row.size(); ++c) out.volumes.set(v, c, row[c]);
  }
  if (!motion.inPlaneOnly) {
    const MotionSummary summary = summariseMotion(motion.volumes, fdThreshold);
    out.fdMean = summary.fdMean;
    out.fdNum = summary.fdNum;
    out.fdPerc = summary.fdPerc;
    out.maxTranslation = summary.maxTranslation;
    out.maxRotation = summary.maxRotation;
  }
  out.findings = motionFindings(out);
  return out;
}

std::optional<std::string> motionWarning(const std::string& runPath, const MotionNumbers& motion) {
  if (!motion.unavailable.empty()) {
    return runPath + ": head motion could not be estimated: " + motion.unavailable +
           "; its columns and numbers are n/a";
  }
  if (motion.inPlaneOnly) {
    return runPath +
           ": the run has fewer than 3 slices, so only the movement within the slices "
           "(trans_x, trans_y, rot_z) is estimated; trans_z, rot_x, rot_y and framewise "
           "displacement are n/a";
  }
  return std::nullopt;
}

std::string motionFindings(const MotionNumbers& motion) {
  if (!motion.unavailable.empty())
    return "Head motion could not be estimated: " + motion.unavailable + ".";
  const MotionNumbers& s = motion;
  std::string text;
  if (s.fdMean) {
    text = "Mean framewise displacement " + fixedText(*s.fdMean, 3) + " mm; " +
           std::to_string(*s.fdNum) + " volume" + (*s.fdNum == 1 ? "" : "s") + " (" +
           fixedText(*s.fdPerc, 1) + "%) above " + fixedText(motion.fdThreshold, 2) + " mm.";
    std::size_t worst = 0;
    double largest = -1.0;
    for (std::size_t v = 0; v < motion.volumes.size(); ++v) {
      const std::optional<double> fd = motion.volumes.at(v, 6);
      if (fd && *fd > largest) largest = *fd, worst = v;
    }
    if (largest >= 0.0) {
      text += " The largest jump, " + fixedText(largest, 2) + " mm, comes at volume " +
              std::to_string(worst + 1) + ".";
    }
    text += " At most " + fixedText(*s.maxTranslation, 2) + " mm and " +
            fixedText(*s.maxRotation * 180.0 / M_PI, 2) + " degrees from the reference, volume " +
            std::to_string(motion.referenceVolume + 1) + ".";
  } else {
    text =
        "Only the movement within the slices is estimated (the run has fewer than 3 "
        "slices); the reference is volume " +
        std::to_string(motion.referenceVolume + 1) + ".";
  }
  return text;
}

}  // namespace quorvel::cli
