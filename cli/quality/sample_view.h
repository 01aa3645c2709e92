// Read-only access to a run's samples in the host's layout (each voxel's
// time course in one piece), whatever their type, so the quality numbers
// are computed from exactly the values the plug-in analysed.
#ifndef QUORVEL_CLI_QUALITY_SAMPLE_VIEW_H_
#define QUORVEL_CLI_QUALITY_SAMPLE_VIEW_H_

#include <cstddef>
#include <cstdint>

namespace quorvel::cli {

// Samples of `voxels` voxels over `volumes` volumes, time fastest: sample
// (voxel, volume) sits at voxel * volumes + volume. Exactly one of the two
// pointers is set; the view does not own them.
struct SampleView {
  const std::int16_t* int16Samples = nullptr;
  const float* floatSamples = nullptr;
  std::size_t voxels = 0;
  std::size_t volumes = 0;

  // The sample as a double (16-bit samples are exact; floats are exact).
  double at(std::size_t voxel, std::size_t volume) const {
    const std::size_t index = voxel * volumes + volume;
    return int16Samples != nullptr ? static_cast<double>(int16Samples[index])
                                   : static_cast<double>(floatSamples[index]);
  }
  bool empty() const { return int16Samples == nullptr && floatSamples == nullptr; }
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_SAMPLE_VIEW_H_
