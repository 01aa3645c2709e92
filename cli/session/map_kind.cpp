#include "cli/session/map_kind.h"

namespace quorvel::cli {

const char* mapFileLabel(MapKind kind) {
  switch (kind) {
    case MapKind::kTsnr:
      return "stat-tsnr";
    case MapKind::kOutliers:
      return "desc-maxdev";
    case MapKind::kLaggedAutocorrelation:
      return "desc-ac12";
  }
  return "";
}

const char* mapDescription(MapKind kind) {
  switch (kind) {
    case MapKind::kTsnr:
      return "Temporal signal-to-noise ratio: the mean of each voxel's time "
             "course divided by its standard deviation. Voxels with a mean of "
             "100 or less are background and hold 0.";
    case MapKind::kOutliers:
      return "Signed largest standardised deviation: for each voxel, the "
             "volume value furthest from the voxel's mean, in standard "
             "deviations of its own time course (negative for a dip). "
             "Background voxels hold 0.";
    case MapKind::kLaggedAutocorrelation:
      return "Sum of the lag-1 and lag-2 autocorrelations of each voxel's "
             "standardised time course. Background voxels hold 0.";
  }
  return "";
}

}  // namespace quorvel::cli
