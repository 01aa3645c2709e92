// Fast paths of the move from the file's layout to the host's for the two
// sample types that need no conversion: 32-bit floats and 16-bit integers
// in the machine's byte order. They place every sample exactly where
// scatterVolumes (time_major_layout.h) places it, square blocks of samples
// at a time in vector registers.
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

// Moves float samples into `timeMajor` (out[voxel * volumeCount + volume])
// unchanged; returns how many of them are NaN or infinite.
std::uint64_t transposeFloatVolumes(const unsigned char* block, const VolumeBlockShape& shape,
                                    float* timeMajor);

// Moves 16-bit samples into `timeMajor` unchanged.
void transposeInt16Volumes(const unsigned char* block, const VolumeBlockShape& shape,
                           std::int16_t* timeMajor);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_SAMPLE_TRANSPOSE_H_
