#include "cli/quality/temporal_images.h"

#include <algorithm>
#include <vector>

#include "cli/quality/block_turns.h"
#include "cli/quality/steady_state.h"

namespace quorvel::cli {
namespace {

// Voxels of one block: their partial sums are added in block order.
constexpr std::size_t kBlockVoxels = 2048;

template <typename Sample>
SteadyStateMeans meansOf(const Sample* samples, std::size_t voxels, std::size_t volumes,
                         unsigned threads) {
  SteadyStateMeans means;
  const std::size_t leading = std::min(volumes, kSteadyStateWindow);
  const std::size_t blocks = (voxels + kBlockVoxels - 1) / kBlockVoxels;
  std::vector<double> partial(blocks * leading, 0.0);
  VoxelImage totals(voxels, 0.0);
  runBlocksInTurns(
      blocks, threads, [] { return 0; },
      [&](int, std::size_t block) {
        double* signal = partial.data() + block * leading;
        const std::size_t end = std::min(voxels, (block + 1) * kBlockVoxels);
        for (std::size_t voxel = block * kBlockVoxels; voxel < end; ++voxel) {
          const Sample* course = samples + voxel * volumes;
          for (std::size_t v = 0; v < leading; ++v) signal[v] += static_cast<double>(course[v]);
          // Four partial sums, each in volume order, keep the adder busy.
          double sums[4] = {0, 0, 0, 0};
          std::size_t v = 0;
          for (; v + 4 <= volumes; v += 4) {
            for (std::size_t k = 0; k < 4; ++k) sums[k] += static_cast<double>(course[v + k]);
          }
          for (; v < volumes; ++v) sums[0] += static_cast<double>(course[v]);
          totals[voxel] = (sums[0] + sums[1]) + (sums[2] + sums[3]);
        }
      });
  std::vector<double> signal(leading, 0.0);
  for (std::size_t block = 0; block < blocks; ++block) {
    for (std::size_t v = 0; v < leading; ++v) signal[v] += partial[block * leading + v];
  }
  for (double& value : signal) value /= static_cast<double>(voxels);
  means.dummy = nonSteadyStateVolumes(signal);

  // The steady-state mean: the total less the first volumes' samples.
  const double steady = static_cast<double>(volumes - means.dummy);
  means.mean = std::move(totals);
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    const Sample* course = samples + voxel * volumes;
    double early = 0;
    for (std::size_t v = 0; v < means.dummy; ++v) early += static_cast<double>(course[v]);
    means.mean[voxel] = (means.mean[voxel] - early) / steady;
  }
  return means;
}

}  // namespace

SteadyStateMeans steadyStateMeans(const SampleView& samples, unsigned threads) {
  if (samples.empty() || samples.voxels == 0 || samples.volumes == 0) return {};
  return samples.int16Samples != nullptr
             ? meansOf(samples.int16Samples, samples.voxels, samples.volumes, threads)
             : meansOf(samples.floatSamples, samples.voxels, samples.volumes, threads);
}

}  // namespace quorvel::cli
