// Reordering of fMRI samples from the file's layout to the host's.
//
// A NIfTI file stores volume after volume: all voxels of volume 0 (x
// fastest, then y, z), then all of volume 1, and so on. The host hands the
// plug-in each voxel's time course in one piece: the t samples of voxel 0,
// then those of voxel 1, with voxels in the same x, y, z order. The reader
// moves each block of volumes it reads straight to its place in the host's
// layout, converting each sample on the way.
#ifndef QUORVEL_CLI_NIFTI_TIME_MAJOR_LAYOUT_H_
#define QUORVEL_CLI_NIFTI_TIME_MAJOR_LAYOUT_H_

#include <algorithm>
#include <cstddef>

namespace quorvel::cli {

// Voxels and volumes of one tile of the transpose: 64 x 64 samples fit the
// first-level cache, and each time course gets whole cache lines.
constexpr std::size_t kTileVoxels = 64;
constexpr std::size_t kTileVolumes = 64;

// Moves volumes [firstVolume, firstVolume + blockVolumes) of a run into the
// host's layout `timeMajor` (out[voxel * volumeCount + volume]). `block`
// holds those volumes as the file stores them: `voxelCount` samples of
// `sampleBytes` bytes per volume, volume after volume `rowBytes` apart, at
// any alignment. `convert(const unsigned char*)` turns the bytes of one
// sample into an Out. When given, `runningSums` (one per voxel of the
// block) receives each placed sample as the plug-in adds it to its mean:
// to a single-precision sum, in volume order.
template <typename Out, typename Convert>
void scatterVolumes(const unsigned char* block, std::size_t sampleBytes, std::size_t voxelCount,
                    std::size_t rowBytes, std::size_t firstVolume, std::size_t blockVolumes,
                    std::size_t volumeCount, Out* timeMajor, Convert&& convert,
                    float* runningSums = nullptr) {
  // Each tile is read row by row into a small buffer and written out time
  // course by time course. Reading the file's rows across volumes directly
  // would touch addresses a whole volume apart, which often share one
  // cache set (volumes of 2^k bytes) and evict each other.
  Out tile[kTileVoxels * kTileVolumes];
  for (std::size_t voxel0 = 0; voxel0 < voxelCount; voxel0 += kTileVoxels) {
    const std::size_t voxels = std::min(kTileVoxels, voxelCount - voxel0);
    for (std::size_t volume0 = 0; volume0 < blockVolumes; volume0 += kTileVolumes) {
      const std::size_t volumes = std::min(kTileVolumes, blockVolumes - volume0);
      for (std::size_t v = 0; v < volumes; ++v) {
        const unsigned char* row = block + (volume0 + v) * rowBytes + voxel0 * sampleBytes;
        for (std::size_t k = 0; k < voxels; ++k) {
          tile[k * kTileVolumes + v] = convert(row + k * sampleBytes);
        }
      }
      if (runningSums != nullptr) {
        float* sums = runningSums + voxel0;
        for (std::size_t v = 0; v < volumes; ++v) {
          for (std::size_t k = 0; k < voxels; ++k) {
            sums[k] = static_cast<float>(static_cast<double>(sums[k]) +
                                         static_cast<double>(tile[k * kTileVolumes + v]));
          }
        }
      }
      for (std::size_t k = 0; k < voxels; ++k) {
        const Out* from = tile + k * kTileVolumes;
        Out* to = timeMajor + (voxel0 + k) * volumeCount + firstVolume + volume0;
        for (std::size_t v = 0; v < volumes; ++v) to[v] = from[v];
      }
    }
  }
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_TIME_MAJOR_LAYOUT_H_
