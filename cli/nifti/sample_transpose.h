// Fast paths of the move from the file's layout to the host's for the two
// sample types that need no conversion: 32-bit floats and 16-bit integers
// in the machine's byte order. They place every sample exactly where
// scatterVolumes (time_major_layout.h) places it, square blocks of samples
// at a time in vector registers, and keep each voxel's running sum on the
// way, so that its mean costs no second read of the run.
#ifndef QUORVEL_CLI_NIFTI_SAMPLE_TRANSPOSE_H_
#define QUORVEL_CLI_NIFTI_SAMPLE_TRANSPOSE_H_

#include <cstddef>
#include <cstdint>

namespace quorvel::cli {

// Where a block of volumes goes: `voxelCount` samples per volume, volume
// after volume `rowBytes` apart at any alignment, landing at volumes
// [firstVolume, firstVolume + blockVolumes) of a run of `volumeCount`.
struct VolumeBlockShape {
  std::size_t voxelCount = 0;
  std::size_t rowBytes = 0;
  std::size_t firstVolume = 0;
  std::size_t blockVolumes = 0;
  std::size_t volumeCount = 0;
};

// Which squares a transpose moves: the widest this processor has, or the
// 128-bit ones every x86-64 processor has (to compare the two).
enum class SquareWidth { kWidest, k128 };

// Moves float samples into `timeMajor` (out[voxel * volumeCount + volume])
// unchanged, adding each to its voxel's single-precision sum in
// `runningSums` (one per voxel of the block) in volume order, as the
// plug-in sums a mean; returns how many of them are NaN or infinite.
std::uint64_t transposeFloatVolumes(const unsigned char* block, const VolumeBlockShape& shape,
                                    float* timeMajor, float* runningSums,
                                    SquareWidth width = SquareWidth::kWidest);

// Moves 16-bit samples into `timeMajor` unchanged, adding each to its
// voxel's sum in `runningSums` as transposeFloatVolumes does.
void transposeInt16Volumes(const unsigned char* block, const VolumeBlockShape& shape,
                           std::int16_t* timeMajor, float* runningSums);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_SAMPLE_TRANSPOSE_H_
