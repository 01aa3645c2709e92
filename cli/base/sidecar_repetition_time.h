// The repetition time a BIDS sidecar JSON gives, by one rule for every
// level that reads sidecars: `quorvel run` beside a run, and the BIDS
// level along the inheritance principle.
#ifndef QUORVEL_CLI_BASE_SIDECAR_REPETITION_TIME_H_
#define QUORVEL_CLI_BASE_SIDECAR_REPETITION_TIME_H_

#include <filesystem>
#include <optional>
#include <string>

namespace quorvel::cli {

// What a BIDS sidecar JSON says of the repetition time.
struct SidecarRepetitionTime {
  std::optional<double> seconds;  // a possible "RepetitionTime", when it has one
  // Why the file or its value is not used, naming the file; "" when it is
  // used or the file has none, or there is no file.
  std::string warning;
};

// Whether `seconds` can be the time between the volumes of an fMRI run:
// from 1 ms to an hour. Anything else is a broken header or sidecar.
bool isPossibleRepetitionTime(double seconds);

// The range isPossibleRepetitionTime allows, as messages name it: "from
// 0.001 to 3600 s".
std::string possibleRepetitionTimeRange();

// The "RepetitionTime" of the sidecar at `sidecar`: read only when it is a
// regular file of at most 1 MiB, used only when it is possible.
SidecarRepetitionTime readSidecarRepetitionTime(const std::filesystem::path& sidecar);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_SIDECAR_REPETITION_TIME_H_
