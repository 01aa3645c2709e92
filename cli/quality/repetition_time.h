// The repetition time of a run: from a BIDS sidecar JSON beside the run
// when it gives one, else from the NIfTI header's volume spacing in its
// stated time unit.
#ifndef QUORVEL_CLI_QUALITY_REPETITION_TIME_H_
#define QUORVEL_CLI_QUALITY_REPETITION_TIME_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/base/sidecar_repetition_time.h"

namespace quorvel::cli {

// The BIDS sidecar of the run at `runPath`: "<folder>/<run name>.json".
std::filesystem::path sidecarPathOf(const std::string& runPath);

// The repetition time in seconds of the run at `runPath`, whose header
// gives `volumeSpacing` (pixdim[4]) in the NIfTI time unit `timeUnits`
// (seconds, milliseconds or microseconds; any other unit gives none).
// "<folder>/<run name>.json" with a possible "RepetitionTime" wins over
// the header. What the reader should know (no unit, a disagreement, an
// unreadable sidecar) is added to `warnings`, naming the file.
std::optional<double> repetitionTimeOf(const std::string& runPath, double volumeSpacing,
                                       int timeUnits, std::vector<std::string>& warnings);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_REPETITION_TIME_H_
