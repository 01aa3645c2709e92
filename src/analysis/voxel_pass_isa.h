// The instruction-set levels the voxel pass is built for, which of them this
// CPU can run, and the pass at a chosen level: the scalar pass, one voxel at
// a time, is the reference that every vectorised level matches bit for bit.
#ifndef QUORVEL_ANALYSIS_VOXEL_PASS_ISA_H_
#define QUORVEL_ANALYSIS_VOXEL_PASS_ISA_H_

#include "analysis/voxel_statistics.h"
#include "analysis/vtc_geometry.h"

namespace quorvel {

// Ways to run the voxel pass, slowest first.
enum class VoxelPassIsa { kScalar, kSse2, kAvx2, kAvx512 };

// True when this build contains the level and this CPU can execute it.
bool voxelPassIsaAvailable(VoxelPassIsa isa);

// The fastest available level; the one computeVoxelStatistics uses.
VoxelPassIsa fastestVoxelPassIsa();

// Short lower-case name of a level, such as "avx2", for reports.
const char* voxelPassIsaName(VoxelPassIsa isa);

// The voxel pass at `isa` (the scalar one when `isa` is not available or
// the VTC has fewer voxels than a tile holds), with the same bits at every
// level.
// Maps with a null array are not requested. Does nothing for a VTC without
// voxels or volumes, or with work arrays shorter than t.
void computeVoxelStatisticsAt(VoxelPassIsa isa, const VtcSamples& samples,
                              const VtcDimensions& dimensions,
                              float maxDeviation, float spikeDefinition,
                              const MapValueArrays& maps,
                              VoxelWorkArrays& work);

// The scalar reference pass, one voxel at a time; expects dimensions and
// work arrays already checked.
void computeVoxelStatisticsScalar(const VtcSamples& samples,
                                  const VtcDimensions& dimensions,
                                  float maxDeviation, float spikeDefinition,
                                  const MapValueArrays& maps,
                                  VoxelWorkArrays& work);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_VOXEL_PASS_ISA_H_
