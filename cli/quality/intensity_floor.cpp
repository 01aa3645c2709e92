#include "cli/quality/intensity_floor.h"

#include <sstream>

namespace quorvel::cli {

std::optional<std::string> intensityFloorWarning(const std::string& runPath,
                                                 const SampleStatistics& stats, double scale) {
  if (stats.voxels == 0) return std::nullopt;
  const double share =
      static_cast<double>(stats.voxelsAnalysed) / static_cast<double>(stats.voxels);
  if (share >= kFewAnalysedVoxels) return std::nullopt;
  std::ostringstream text;
  text << runPath << ": ";
  if (stats.voxelsAnalysed == 0) {
    text << "no voxel has";
  } else {
    text << "only " << stats.voxelsAnalysed << " of " << stats.voxels << " voxels ("
         << share * 100.0 << "%) " << (stats.voxelsAnalysed == 1 ? "has" : "have");
  }
  text << " a mean above 100";
  if (scale != 1.0) text << " after --scale " << scale;
  text << ". The plug-in analyses only voxels whose mean exceeds 100 and treats the rest as "
          "background (0 in every map, never counted), so the maps and counts say little "
          "or nothing about this run. If its values are scaled down (percent signal, "
          "normalised units), rerun with --scale FACTOR, which multiplies every sample "
          "before the analysis (TSNR and standardised values do not change with the scale)";
  return text.str();
}

}  // namespace quorvel::cli
