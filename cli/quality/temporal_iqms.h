// The IQMs MRIQC computes from the time courses of the brain mask's voxels
// over the steady-state volumes: the median temporal SNR (tsnr, as
// nipype's TSNR), the three DVARS of nipype's compute_dvars with its
// intensity normalisation to 1000 (dvars_std, dvars_nstd, dvars_vstd;
// Power et al. 2012, Nichols 2017), the global correlation (gcor, Saad et
// al. 2013) and the outlier fraction (aor, AFNI's 3dToutcount -fraction:
// median removed, no polynomial). docs/quality-numbers.md gives each
// formula.
#ifndef QUORVEL_CLI_QUALITY_TEMPORAL_IQMS_H_
#define QUORVEL_CLI_QUALITY_TEMPORAL_IQMS_H_

#include <cstddef>
#include <optional>
#include <vector>

#include "cli/quality/optional_series.h"
#include "cli/quality/sample_view.h"
#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The run-wide values, and per volume (entry 0 the run's first volume)
// the series they are the means of; empty where undefined.
struct TemporalIqms {
  std::optional<double> tsnr;  // median over the mask
  std::optional<double> dvarsStd, dvarsNstd, dvarsVstd;
  std::optional<double> gcor;
  std::optional<double> aor;  // mean over the steady-state volumes
  // From the second steady-state volume on.
  OptionalSeries dvarsStdSeries, dvarsNstdSeries, dvarsVstdSeries;
  // Every volume, non-steady-state ones measured against the same medians
  // and MADs; at least 5 steady-state volumes.
  OptionalSeries aorSeries;
  // The median of every steady-state sample in the mask, which DVARS's
  // normalisation divides by.
  std::optional<double> intensityMedian;
  // Each voxel's median over the steady-state volumes, the quality
  // index's reference volume.
  VoxelImage medianImage;
};

// The IQMs of `samples` over the voxels of `mask` and volumes
// [firstVolume, samples.volumes), in one read of every voxel's course; by
// up to `threads` threads, the same for any number.
TemporalIqms temporalIqms(const SampleView& samples, const VoxelMask& mask, std::size_t firstVolume,
                          unsigned threads);

// The outlier threshold of 3dToutcount for a course of `volumes` samples,
// in MADs: the normal quantile of upper tail 0.001 / volumes times
// sqrt(pi / 2).
double outlierThreshold(std::size_t volumes);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_TEMPORAL_IQMS_H_
