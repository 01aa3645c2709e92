// The warning for runs that the plug-in's background rule all but empties:
// it analyses only voxels whose mean exceeds 100, so a run stored in
// percent signal or normalised units gives empty maps and no counts.
#ifndef QUORVEL_CLI_QUALITY_INTENSITY_FLOOR_H_
#define QUORVEL_CLI_QUALITY_INTENSITY_FLOOR_H_

#include <optional>
#include <string>

#include "cli/quality/sample_statistics.h"

namespace quorvel::cli {

// Share of the grid below which the run is said to lie under the floor.
constexpr double kFewAnalysedVoxels = 0.01;

// The warning for the run at `runPath` when fewer than 1% of its voxels
// (or none) were analysed, explaining the rule and --scale; nothing
// otherwise. `scale` is the factor the samples were multiplied by.
std::optional<std::string> intensityFloorWarning(const std::string& runPath,
                                                 const SampleStatistics& stats, double scale);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_INTENSITY_FLOOR_H_
