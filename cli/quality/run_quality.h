// The quality numbers of one run (IQMs): the sample statistics combined
// with the plug-in's per-volume outlier and spike counts.
#ifndef QUORVEL_CLI_QUALITY_RUN_QUALITY_H_
#define QUORVEL_CLI_QUALITY_RUN_QUALITY_H_

#include <optional>
#include <string>
#include <vector>

#include "cli/quality/functional_iqms.h"
#include "cli/quality/motion_numbers.h"
#include "cli/quality/optional_series.h"
#include "cli/quality/sample_statistics.h"
#include "cli/quality/volume_counts.h"

namespace quorvel::cli {

// Every number of the run's IQM file and of its per-volume table. Counts
// and what is made from them are empty when the plug-in reported none
// (both of its temporal outputs switched off).
struct RunQuality {
  SampleStatistics samples;
  std::optional<VolumeCounts> counts;
  std::optional<double> repetitionTime;  // seconds

  // Per volume: outlier count over voxels analysed.
  OptionalSeries outlierFraction;

  std::optional<long> outlierVolumes;  // volumes with at least one outlier
  std::optional<long> spikeVolumes;    // volumes with at least one spike
  std::optional<double> outlierVolumesFraction;
  std::optional<double> spikeVolumesFraction;
  std::optional<double> outlierFractionMean, outlierFractionMax;
  std::optional<double> dvarsMean, dvarsMax;
  std::optional<double> stdDvarsMean, stdDvarsMax;
  std::optional<double> globalSignalMean;

  // The field's standard IQMs on the brain mask and steady-state volumes,
  // computed beside the numbers above (empty where a caller made none).
  std::optional<FunctionalIqms> functional;
  // Head motion; empty when the call did not estimate it.
  std::optional<MotionNumbers> motion;
};

// Combines `samples` with the plug-in's `counts` (when given; their length
// must be the run's number of volumes).
RunQuality combineQuality(SampleStatistics samples, std::optional<VolumeCounts> counts,
                          std::optional<double> repetitionTime);

// The mean and the largest of the values that are present.
std::optional<double> meanOfPresent(const OptionalSeries& values);
std::optional<double> maxOfPresent(const OptionalSeries& values);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_RUN_QUALITY_H_
