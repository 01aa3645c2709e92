// One voxel pass as the vectorised kernels receive it: plain pointers and
// sizes only. The kernels are compiled for instruction sets the CPU may lack,
// so this header holds no inline functions a kernel could emit and the
// linker could then pick for code that runs everywhere.
#ifndef QUORVEL_ANALYSIS_VOXEL_PASS_JOB_H_
#define QUORVEL_ANALYSIS_VOXEL_PASS_JOB_H_

#include <cstddef>
#include <cstdint>

namespace quorvel {

// Floats per volume that a tile buffer must have room for, in every kernel.
constexpr int kVoxelPassTileFloatsPerVolume = 64;

// Inputs and outputs of one pass over a VTC with t >= 1 volumes.
struct VoxelPassJob {
  const float* floatSamples = nullptr;       // either these...
  const std::int16_t* intSamples = nullptr;  // ...or these, time fastest
  std::size_t voxelCount = 0;
  int t = 0;
  float maxDeviation = 0.0f;
  float spikeDefinition = 0.0f;
  float* tsnr = nullptr;                   // null: map not requested
  float* outliers = nullptr;               // null: map not requested
  float* laggedAutocorrelation = nullptr;  // null: map not requested
  std::int32_t* outlierCounts = nullptr;   // t counts, incremented
  std::int32_t* spikeCounts = nullptr;     // t counts, incremented
  // kVoxelPassTileFloatsPerVolume * t floats, 64-byte aligned: room for
  // time-major tiles of time courses that the kernel overwrites freely.
  float* tile = nullptr;
};

// The pass with SSE2, AVX2 or AVX-512F lanes; call only on a CPU that has
// the instruction set. Same map bits and counts as the scalar pass.
void runVoxelPassSse2(const VoxelPassJob& job);
void runVoxelPassAvx2(const VoxelPassJob& job);
void runVoxelPassAvx512(const VoxelPassJob& job);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_VOXEL_PASS_JOB_H_
