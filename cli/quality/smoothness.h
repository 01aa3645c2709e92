// The spatial smoothness of an image inside a mask as the classic
// first-difference estimate (Forman et al. 1995, as AFNI's 3dFWHMx
// computes it): along each axis, with v the variance of the masked values
// and d that of the differences between neighbours both inside the mask,
// FWHM = 2.35482 sqrt(-1 / (4 ln(1 - d / (2 v)))), in voxels as MRIQC
// reports it (fwhm_x, fwhm_y, fwhm_z, and their mean fwhm_avg).
#ifndef QUORVEL_CLI_QUALITY_SMOOTHNESS_H_
#define QUORVEL_CLI_QUALITY_SMOOTHNESS_H_

#include <optional>

#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// The FWHM along each axis in voxels, and their mean; empty where the
// estimate has no value (fewer than 9 voxels or 6 neighbour pairs, a flat
// image, or differences too large for a Gaussian) and the mean where any is.
struct Smoothness {
  std::optional<double> x, y, z, average;
};

// The smoothness of `image` inside `mask`, both laid out on `grid`.
Smoothness firstDifferenceFwhm(const VoxelImage& image, const VoxelMask& mask,
                               const VoxelGrid& grid);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_SMOOTHNESS_H_
