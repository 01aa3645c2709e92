// Head motion of a whole run: every volume realigned to the run's first
// steady-state volume.
#ifndef QUORVEL_CLI_MOTION_RUN_MOTION_H_
#define QUORVEL_CLI_MOTION_RUN_MOTION_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/motion/motion_grid.h"
#include "cli/motion/realignment_reference.h"
#include "cli/motion/rigid_motion.h"
#include "cli/quality/sample_view.h"

namespace quorvel::cli {

// Volumes realigned one after another, each search starting where the
// previous volume's ended. Blocks are fixed by the volume count alone, so
// the estimates are the same for any number of threads.
constexpr std::size_t kMotionBlockVolumes = 32;

// The movement of every volume, or why there is none.
struct RunMotion {
  // Empty when the motion was estimated; otherwise why not, a sentence
  // without the file's name (a run of fewer than 2 volumes, an empty mask,
  // a flat reference).
  std::string unavailable;
  // The run has 1 or 2 slices: only trans_x, trans_y and rot_z are
  // estimated (the others are 0 and mean nothing), and FD is not given.
  bool inPlaneOnly = false;
  std::size_t referenceVolume = 0;
  std::vector<RigidMotion> volumes;  // one per volume; the reference's is 0
};

// Realigns `count` volumes stored one after another at `volumes` (each
// reference.grid.voxelCount() floats), in order, the first search starting
// at `start`; writes one movement per volume to `out`.
void realignVolumes(const RealignmentReference& reference, const float* volumes, std::size_t count,
                    const RigidMotion& start, RigidMotion* out);

// How a run's motion is estimated.
struct MotionOptions {
  unsigned threads = 1;
  // The reference volume, when the caller knows the first steady-state
  // volume; otherwise firstSteadyVolume() of the first volumes' means.
  std::optional<std::size_t> referenceVolume;
  RealignmentPoints points;
};

// The motion of the run `samples` (time course by time course) on `grid`,
// compared inside `mask` (one byte per voxel).
RunMotion estimateRunMotion(const SampleView& samples, const MotionGrid& grid,
                            const std::vector<std::uint8_t>& mask, const MotionOptions& options);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_RUN_MOTION_H_
