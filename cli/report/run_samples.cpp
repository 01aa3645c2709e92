#include "cli/report/run_samples.h"

#include <algorithm>
#include <cmath>

#include "cli/quality/voxel_floor.h"

namespace quorvel::cli::report {
namespace {

template <typename Sample>
void standardise(const Sample* course, int volumes, float* row) {
  double sum = 0.0;
  for (int t = 0; t < volumes; ++t) sum += course[t];
  const double mean = sum / volumes;
  double squares = 0.0;
  for (int t = 0; t < volumes; ++t) squares += (course[t] - mean) * (course[t] - mean);
  const double sd = volumes > 1 ? std::sqrt(squares / (volumes - 1)) : 0.0;
  for (int t = 0; t < volumes; ++t) {
    row[t] = sd > 0.01 ? static_cast<float>((course[t] - mean) / sd) : 0.0f;
  }
}

template <typename Sample>
RunSamples sample(const Sample* samples, const HostSamples& shape, std::size_t maxRows,
                  const VoxelMeans* known) {
  RunSamples out;
  const std::size_t voxels = shape.voxels;
  const int volumes = shape.volumes;
  out.mean.assign(voxels, 0.0f);
  out.mask.assign(voxels, 0);
  if (volumes <= 0) return out;
  if (known != nullptr && known->mean.size() == voxels && known->aboveFloor.size() == voxels) {
    out.mean = known->mean;
    out.mask = known->aboveFloor;
    for (std::uint8_t above : out.mask) out.analysedVoxels += above;
  } else {
    for (std::size_t i = 0; i < voxels; ++i) {
      out.mask[i] = meanAboveFloor(samples + i * volumes, static_cast<std::size_t>(volumes),
                                   kAnalysisFloor, out.mean[i])
                        ? 1
                        : 0;
      out.analysedVoxels += out.mask[i];
    }
  }
  if (out.analysedVoxels == 0 || maxRows == 0) return out;

  // Every step-th voxel of the mask, so that each slice keeps its share.
  const std::size_t step = (out.analysedVoxels + maxRows - 1) / maxRows;
  const std::size_t sliceSize = static_cast<std::size_t>(std::max(shape.voxelsPerSlice, 1));
  CarpetRows& carpet = out.carpet;
  carpet.volumes = volumes;
  carpet.values.reserve((out.analysedVoxels / step + 1) * volumes);
  std::size_t seen = 0;
  for (std::size_t i = 0; i < voxels; ++i) {
    if (!out.mask[i] || seen++ % step != 0) continue;
    carpet.slices.push_back(static_cast<int>(i / sliceSize));
    carpet.values.resize(carpet.slices.size() * volumes);
    standardise(samples + i * volumes, volumes,
                carpet.values.data() + (carpet.slices.size() - 1) * volumes);
  }
  return out;
}

}  // namespace

RunSamples sampleRunForReport(const HostSamples& samples, std::size_t maxCarpetRows,
                              const VoxelMeans* known) {
  if (samples.int16Samples) return sample(samples.int16Samples, samples, maxCarpetRows, known);
  if (samples.floatSamples) return sample(samples.floatSamples, samples, maxCarpetRows, known);
  return RunSamples{};
}

}  // namespace quorvel::cli::report
