// AFNI's quality index (3dTqual -automask, MRIQC's aqi): for each volume,
// 1 minus the Spearman correlation of its samples with the run's median
// volume, over the voxels where the median volume reaches its own clip
// level. Ranks of tied samples are their mean rank.
#ifndef QUORVEL_CLI_QUALITY_QUALITY_INDEX_H_
#define QUORVEL_CLI_QUALITY_QUALITY_INDEX_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "cli/quality/optional_series.h"
#include "cli/quality/sample_view.h"
#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The index of every volume of `samples` (non-steady-state ones against
// the same median volume) and its mean over volumes [firstVolume, end);
// empty when fewer than 9 voxels reach the clip level.
struct QualityIndex {
  std::optional<double> mean;
  OptionalSeries series;
};

// The quality index of `samples` with `medianVolume` each voxel's median
// over the steady-state volumes; by up to `threads` threads, the same for
// any number.
QualityIndex qualityIndex(const SampleView& samples, const VoxelImage& medianVolume,
                          std::size_t firstVolume, unsigned threads);

// Room for ranking values, kept from one call to the next.
struct RankScratch {
  std::vector<std::uint64_t> items, spare;
  std::vector<std::uint32_t> keys, counts;
};

// Ranks of `values[0, count)` from 0, tied values sharing their mean rank,
// less the mean rank (count - 1) / 2, into `ranks`; returns their sum of
// squares.
double centredRanks(const float* values, std::size_t count, double* ranks, RankScratch& scratch);

// The sums Spearman's correlation of `values[0, count)` with another
// series takes, given twice that series' ranks from 0 (whole numbers,
// ties at their mean): the sum of the products of both centred ranks, and
// of the squares of the values' centred ranks.
struct RankSums {
  double products = 0, squares = 0;
};
RankSums rankSums(const float* values, std::size_t count, const std::uint32_t* twiceRanks,
                  RankScratch& scratch);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_QUALITY_INDEX_H_
