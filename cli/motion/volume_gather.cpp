#include "cli/motion/volume_gather.h"

#include <cmath>

namespace quorvel::cli {

void gatherVolumes(const SampleView& samples, std::size_t first, std::size_t count, float* out) {
  const std::size_t voxels = samples.voxels;
  if (samples.int16Samples != nullptr) {
    for (std::size_t v = 0; v < voxels; ++v) {
      const std::int16_t* from = samples.int16Samples + v * samples.volumes + first;
      for (std::size_t k = 0; k < count; ++k) out[k * voxels + v] = static_cast<float>(from[k]);
    }
    return;
  }
  for (std::size_t v = 0; v < voxels; ++v) {
    const float* from = samples.floatSamples + v * samples.volumes + first;
    for (std::size_t k = 0; k < count; ++k) {
      const float x = from[k];
      out[k * voxels + v] = std::isfinite(x) ? x : 0.0f;
    }
  }
}

}  // namespace quorvel::cli
