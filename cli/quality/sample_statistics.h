// The run-wide statistics the command computes from a run's samples, in
// double precision, over the voxels the plug-in analyses (those whose
// mean, as the plug-in computes it, exceeds 100). docs/quality-numbers.md
// gives every formula.
#ifndef QUORVEL_CLI_QUALITY_SAMPLE_STATISTICS_H_
#define QUORVEL_CLI_QUALITY_SAMPLE_STATISTICS_H_

#include <cstddef>
#include <optional>
#include <vector>

#include "cli/quality/optional_series.h"
#include "cli/quality/sample_view.h"
#include "cli/quality/voxel_floor.h"

namespace quorvel::cli {

// The plug-in's background rule: a voxel is analysed when its mean exceeds this.
constexpr double kIntensityFloor = 100.0;

// What one pass over the samples gives. Optional values are empty where
// they are undefined (no analysed voxel, too few volumes, a zero divisor,
// or a result that is not a finite number).
struct SampleStatistics {
  std::size_t voxels = 0;  // voxels of the grid
  std::size_t volumes = 0;
  std::size_t voxelsAnalysed = 0;  // voxels whose mean exceeds 100
  std::optional<double> tsnrMean;  // over analysed voxels with a non-zero sd
  std::optional<double> tsnrMedian;
  std::optional<double> ac12Median;  // lag 1+2 autocorrelation, at least 4 volumes
  // Per volume (entry 0 is the first volume); dvars and stdDvars have no
  // value for the first volume.
  OptionalSeries dvars;
  OptionalSeries stdDvars;
  OptionalSeries globalSignal;
  // The divisor of the standardised DVARS: the mean over analysed voxels
  // of the expected sd of a volume-to-volume difference under AR(1).
  std::optional<double> expectedDvars;
};

// The statistics of `samples`, computed by up to `threads` threads; the
// same, bit for bit, for any number. When `means` holds a mean and floor
// test for every voxel (the plug-in's own, as the reader keeps them), those
// decide which voxels are analysed and no voxel is tested again; when it
// is given empty, it receives every voxel's mean and floor test.
SampleStatistics computeSampleStatistics(const SampleView& samples, unsigned threads = 1,
                                         VoxelMeans* means = nullptr);

// The plug-in's own test of a voxel's mean: the single-precision running
// sum of the samples divided by their number, compared with 100.
bool isAnalysedVoxel(const SampleView& samples, std::size_t voxel);

// The median of `values` (the mean of the two middle values of an even
// count); empty for no values.
std::optional<double> median(std::vector<double> values);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_SAMPLE_STATISTICS_H_
