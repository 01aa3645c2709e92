// The samples of a block of volumes at a list of voxels, turned from time
// courses into volumes and into keys whose unsigned order is the samples'
// order: what the quality index ranks, volume by volume.
#ifndef QUORVEL_CLI_QUALITY_VOLUME_KEYS_H_
#define QUORVEL_CLI_QUALITY_VOLUME_KEYS_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quorvel::cli {

// A key whose unsigned order is the floats' order, -0 taken as +0 and NaN
// above +infinity.
inline std::uint32_t orderKey(float value) {
  if (value == 0.0f) value = 0.0f;
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x80000000u) != 0 ? ~bits : (bits | 0x80000000u);
}

// The least and greatest of some keys; least above most while empty.
struct KeyRange {
  std::uint32_t least = ~std::uint32_t{0}, most = 0;

  void add(std::uint32_t key) {
    least = std::min(least, key);
    most = std::max(most, key);
  }
};

// For b < count and i < n: keys[b n + i] = orderKey(sample of voxel
// voxels[i] in volume first + b), and ranges[b] the range of volume b's
// keys. `samples` holds each voxel's `volumes` samples in one piece.
void gatherVolumeKeys(const float* samples, std::size_t volumes, const std::size_t* voxels,
                      std::size_t n, std::size_t first, std::size_t count, std::uint32_t* keys,
                      KeyRange* ranges);
void gatherVolumeKeys(const std::int16_t* samples, std::size_t volumes, const std::size_t* voxels,
                      std::size_t n, std::size_t first, std::size_t count, std::uint32_t* keys,
                      KeyRange* ranges);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_VOLUME_KEYS_H_
