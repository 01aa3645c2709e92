// The participant level's record of a finished run, beside its outputs, by
// which a later call skips the runs whose outputs are complete and newer
// than their input.
#ifndef QUORVEL_CLI_BIDS_RUN_RECORD_H_
#define QUORVEL_CLI_BIDS_RUN_RECORD_H_

#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::cli {

// What a finished run wrote and with which analysis options.
struct RunRecord {
  std::string run;                     // the run's path relative to the dataset
  std::vector<std::string> arguments;  // the analysis options handed to the run
  std::vector<std::string> files;      // names of its outputs in its folder
};

// ".<entities>_quorvel-run.json": hidden, since it is bookkeeping, not data.
std::string runRecordName(const std::string& entitiesText);

std::string runRecordJson(const RunRecord& record);

// The names of the files that a `quorvel run` said it wrote ("quorvel:
// wrote PATH" lines of its standard error).
std::vector<std::string> writtenFileNames(const std::string& stderrText);

// Whether the record at `recordFile` is of `expected.run` with the same
// arguments, and every file it lists is in its folder and newer than
// each of `inputs` (the run and its sidecars).
bool isUpToDate(const std::filesystem::path& recordFile, const RunRecord& expected,
                const std::vector<std::filesystem::path>& inputs);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_RUN_RECORD_H_
