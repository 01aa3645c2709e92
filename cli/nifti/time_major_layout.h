// Reordering of fMRI samples from the file's layout to the host's.
//
// A NIfTI file stores volume after volume: all voxels of volume 0 (x
// fastest, then y, z), then all of volume 1, and so on. The host hands the
// plug-in each voxel's time course in one piece: the t samples of voxel 0,
// then those of voxel 1, with voxels in the same x, y, z order. Going from
// one to the other is a transpose of a (volumes x voxels) matrix.
#ifndef QUORVEL_CLI_NIFTI_TIME_MAJOR_LAYOUT_H_
#define QUORVEL_CLI_NIFTI_TIME_MAJOR_LAYOUT_H_

#include <algorithm>
#include <cstddef>
#include <vector>

namespace quorvel::cli {

// Edge of the square tiles of the transpose. A tile of 64 x 64 samples
// (16 KiB of floats) and its destination fit in the first-level cache, so
// each source line and each destination line is fetched once per tile
// rather than once per sample.
constexpr std::size_t kTransposeTile = 64;

// The samples of `volumeMajor` (voxelCount samples per volume, volumeCount
// volumes) in time-fastest order: out[voxel * volumeCount + volume].
template <typename T>
std::vector<T> toTimeMajor(const std::vector<T>& volumeMajor,
                           std::size_t voxelCount, std::size_t volumeCount) {
  std::vector<T> timeMajor(voxelCount * volumeCount);
  const T* in = volumeMajor.data();
  T* out = timeMajor.data();
  for (std::size_t voxel0 = 0; voxel0 < voxelCount; voxel0 += kTransposeTile) {
    const std::size_t voxelEnd = std::min(voxel0 + kTransposeTile, voxelCount);
    for (std::size_t volume0 = 0; volume0 < volumeCount;
         volume0 += kTransposeTile) {
      const std::size_t volumeEnd =
          std::min(volume0 + kTransposeTile, volumeCount);
      for (std::size_t voxel = voxel0; voxel < voxelEnd; ++voxel) {
        T* course = out + voxel * volumeCount;
        for (std::size_t volume = volume0; volume < volumeEnd; ++volume) {
          course[volume] = in[volume * voxelCount + voxel];
        }
      }
    }
  }
  return timeMajor;
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_TIME_MAJOR_LAYOUT_H_
