// The tiled voxel pass built for AVX2; the build compiles this file alone
// with that instruction set enabled.
#if !defined(__AVX2__)
#error "the build must compile this file with AVX2 enabled"
#endif

#include "analysis/voxel_pass_job.h"
#include "analysis/voxel_pass_lanes.h"

namespace quorvel {
namespace {
// Independent vectors per time step: enough running sums in flight to keep
// the adder busy, few enough to stay in registers.
constexpr int kTileVectors = 4;
}  // namespace
}  // namespace quorvel

#include "analysis/voxel_pass_tile.h"

namespace quorvel {

void runVoxelPassAvx2(const VoxelPassJob& job) { passAllTiles(job); }

}  // namespace quorvel
