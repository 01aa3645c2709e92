#include "cli/quality/run_quality.h"

#include <algorithm>

namespace quorvel::cli {
namespace {

long volumesWithAny(const std::vector<long>& counts) {
  return static_cast<long>(
      std::count_if(counts.begin(), counts.end(), [](long count) { return count > 0; }));
}

}  // namespace

std::optional<double> meanOfPresent(const OptionalSeries& values) {
  double total = 0;
  std::size_t present = 0;
  for (const std::optional<double> value : values) {
    if (!value) continue;
    total += *value;
    ++present;
  }
  if (present == 0) return std::nullopt;
  return total / static_cast<double>(present);
}

std::optional<double> maxOfPresent(const OptionalSeries& values) {
  std::optional<double> largest;
  for (const std::optional<double> value : values) {
    if (value && (!largest || *value > *largest)) largest = value;
  }
  return largest;
}

RunQuality combineQuality(SampleStatistics samples, std::optional<VolumeCounts> counts,
                          std::optional<double> repetitionTime) {
  RunQuality quality;
  quality.samples = std::move(samples);
  quality.counts = std::move(counts);
  quality.repetitionTime = repetitionTime;
  const SampleStatistics& stats = quality.samples;
  const std::size_t volumes = stats.volumes;
  quality.outlierFraction.assign(volumes, std::nullopt);

  if (quality.counts && quality.counts->outliers.size() == volumes && volumes > 0) {
    const VolumeCounts& c = *quality.counts;
    quality.outlierVolumes = volumesWithAny(c.outliers);
    quality.spikeVolumes = volumesWithAny(c.spikes);
    quality.outlierVolumesFraction =
        static_cast<double>(*quality.outlierVolumes) / static_cast<double>(volumes);
    quality.spikeVolumesFraction =
        static_cast<double>(*quality.spikeVolumes) / static_cast<double>(volumes);
    if (stats.voxelsAnalysed > 0) {
      for (std::size_t v = 0; v < volumes; ++v) {
        quality.outlierFraction.set(
            v, static_cast<double>(c.outliers[v]) / static_cast<double>(stats.voxelsAnalysed));
      }
    }
  } else {
    quality.counts.reset();
  }
  quality.outlierFractionMean = meanOfPresent(quality.outlierFraction);
  quality.outlierFractionMax = maxOfPresent(quality.outlierFraction);
  quality.dvarsMean = meanOfPresent(stats.dvars);
  quality.dvarsMax = maxOfPresent(stats.dvars);
  quality.stdDvarsMean = meanOfPresent(stats.stdDvars);
  quality.stdDvarsMax = maxOfPresent(stats.stdDvars);
  quality.globalSignalMean = meanOfPresent(stats.globalSignal);
  return quality;
}

}  // namespace quorvel::cli
