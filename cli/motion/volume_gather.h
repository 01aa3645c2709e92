// Whole volumes from a run held time course by time course, for the
// realignment, which compares volume with volume.
#ifndef QUORVEL_CLI_MOTION_VOLUME_GATHER_H_
#define QUORVEL_CLI_MOTION_VOLUME_GATHER_H_

#include <cstddef>

#include "cli/quality/sample_view.h"

namespace quorvel::cli {

// Writes volumes [first, first + count) of `samples` to `out`, volume after
// volume, each samples.voxels floats in voxel order. Each voxel's `count`
// samples are read in one piece, so a block of volumes costs one pass over
// its part of the run. A sample that is NaN or infinite becomes 0: the
// realignment treats it as background rather than let it spread.
void gatherVolumes(const SampleView& samples, std::size_t first, std::size_t count, float* out);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_VOLUME_GATHER_H_
