#include "cli/motion/volume_gather.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quorvel::cli {
namespace {

// Voxels moved at a time: their courses' pieces are read into a small tile
// that stays in the first-level cache, and each volume's row of the tile is
// then written in one piece.
constexpr std::size_t kTileVoxels = 64;
constexpr std::size_t kTileVolumes = 64;

// Asks for the memory of the course piece at `from` before it is needed:
// each voxel's samples lie a whole time course after the previous voxel's,
// a stride the processor's own prefetching does not follow across pages.
template <typename Sample>
void prefetchPiece(const Sample* from, std::size_t count) {
  const char* begin = reinterpret_cast<const char*>(from);
  const char* end = reinterpret_cast<const char*>(from + count);
  for (const char* line = begin; line < end; line += 64) __builtin_prefetch(line);
  __builtin_prefetch(end - 1);
}

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }
float finiteOrZero(std::int16_t x) { return static_cast<float>(x); }

template <typename Sample>
void gather(const Sample* samples, std::size_t voxels, std::size_t volumes, std::size_t first,
            std::size_t count, float* out) {
  float tile[kTileVoxels * kTileVolumes];
  for (std::size_t k0 = 0; k0 < count; k0 += kTileVolumes) {
    const std::size_t pieces = std::min(kTileVolumes, count - k0);
    for (std::size_t v0 = 0; v0 < voxels; v0 += kTileVoxels) {
      const std::size_t tileVoxels = std::min(kTileVoxels, voxels - v0);
      const std::size_t next = v0 + kTileVoxels;
      for (std::size_t v = 0; v < tileVoxels; ++v) {
        const Sample* from = samples + (v0 + v) * volumes + first + k0;
        if (next + v < voxels) prefetchPiece(from + kTileVoxels * volumes, pieces);
        for (std::size_t k = 0; k < pieces; ++k) tile[k * kTileVoxels + v] = finiteOrZero(from[k]);
      }
      for (std::size_t k = 0; k < pieces; ++k) {
        std::copy(tile + k * kTileVoxels, tile + k * kTileVoxels + tileVoxels,
                  out + (k0 + k) * voxels + v0);
      }
    }
  }
}

}  // namespace

void gatherVolumes(const SampleView& samples, std::size_t first, std::size_t count, float* out) {
  if (samples.int16Samples != nullptr) {
    gather(samples.int16Samples, samples.voxels, samples.volumes, first, count, out);
  } else {
    gather(samples.floatSamples, samples.voxels, samples.volumes, first, count, out);
  }
}

}  // namespace quorvel::cli
