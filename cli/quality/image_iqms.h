// The IQMs MRIQC computes on a run's mean image (its negative values and
// non-numbers set to 0) and brain mask: the entropy focus criterion (efc,
// Atkinson et al. 1997), the foreground-background energy ratio (fber,
// Shehzad et al. 2015), the signal-to-noise ratio (snr), the ghost to
// signal ratios along the grid axes nearest the scanner's x and y (gsr_x,
// gsr_y, Giannelli et al. 2010), and the summaries of the eroded foreground and background.
// docs/quality-numbers.md gives each formula.
#ifndef QUORVEL_CLI_QUALITY_IMAGE_IQMS_H_
#define QUORVEL_CLI_QUALITY_IMAGE_IQMS_H_

#include <optional>

#include "cli/quality/distribution_summary.h"
#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The mean image's IQMs; empty where undefined (an empty region, a zero
// divisor, a result that is not finite).
struct ImageIqms {
  std::optional<double> efc, fber, snr, gsrX, gsrY;
  DistributionSummary foreground, background;
};

// The IQMs of `meanImage` with the brain `mask`, both laid out on `grid`.
ImageIqms imageIqms(const VoxelImage& meanImage, const VoxelMask& mask, const VoxelGrid& grid);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_IMAGE_IQMS_H_
