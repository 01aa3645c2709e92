// The first read of a run's samples for its IQMs: the global signal of
// the first volumes, which tells the non-steady-state volumes, and each
// voxel's mean over the steady-state volumes, from which the brain mask
// is made.
#ifndef QUORVEL_CLI_QUALITY_TEMPORAL_IMAGES_H_
#define QUORVEL_CLI_QUALITY_TEMPORAL_IMAGES_H_

#include <cstddef>

#include "cli/quality/sample_view.h"
#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The non-steady-state volumes at the start and each voxel's mean over
// the volumes after them.
struct SteadyStateMeans {
  std::size_t dummy = 0;
  VoxelImage mean;
};

// The means of `samples` (at least one volume), computed by up to
// `threads` threads, the same for any number.
SteadyStateMeans steadyStateMeans(const SampleView& samples, unsigned threads);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_TEMPORAL_IMAGES_H_
