// The tiled voxel pass built for AVX-512F; the build compiles this file alone
// with that instruction set enabled.
#if !defined(__AVX512F__)
#error "the build must compile this file with AVX-512F enabled"
#endif

#include "analysis/voxel_pass_job.h"
#include "analysis/voxel_pass_lanes.h"

namespace quorvel {
namespace {
// Independent vectors per time step: enough running sums in flight to keep
// the adder busy, few enough to stay in registers.
constexpr int kTileVectors = 8;
}  // namespace
}  // namespace quorvel

#include "analysis/voxel_pass_tile.h"

namespace quorvel {

void runVoxelPassAvx512(const VoxelPassJob& job) { passAllTiles(job); }

}  // namespace quorvel
