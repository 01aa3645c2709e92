// The runs of one command and the names under which the host and the
// output folder know them, checked against the plug-in's limits before
// anything is read or written.
#ifndef QUORVEL_CLI_OUTPUTS_RUN_PLAN_H_
#define QUORVEL_CLI_OUTPUTS_RUN_PLAN_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/outputs/output_names.h"
#include "host/dialog_contract.h"

namespace quorvel::cli {

// Most runs the plug-in takes from its file list.
constexpr std::size_t kMaxRuns = kMaxFileListEntries;
// Longest VTC path whose CSV path fits the plug-in's buffer.
constexpr std::size_t kMaxVtcPathLength = kCsvPathBufferSize - 1;
// Most characters of file-list text the dialog holds (without the NUL).
constexpr std::size_t kMaxFileListLength = kFileListBufferSize - 1;

// One run and its names.
struct PlannedRun {
  std::string runPath;  // the NIfTI file
  RunOutputNames names;
  std::string vtcPath;     // "<out>/<stem>.vtc": where the CSV lands too
  std::string sourceName;  // the run in its sidecars' Sources; "" for its file name
};

// All runs of the command, given ones first, then those of the MDM.
struct RunPlan {
  std::filesystem::path outFolder;
  std::vector<PlannedRun> runs;
  std::size_t givenCount = 0;  // runs given on the command line
  std::string logName;         // the log's file name in outFolder; "" for this call's own
};

// Every file name the run may write in the output folder, whatever the
// switches: the CSV, each map and sidecar, the counts table and its
// sidecar.
std::vector<std::string> possibleOutputNames(const RunOutputNames& names);

// Plans `givenRuns` followed by `mdmRuns` into `outFolder`, with the host's
// VTCs in `vtcFolder` (the output folder when empty). Throws an input
// error when there is no run, a run is given twice, two runs would write a
// file of the same name (naming both runs and the file), or a path breaks
// a limit of the plug-in or of its file list.
RunPlan planRuns(const std::vector<std::string>& givenRuns, const std::vector<std::string>& mdmRuns,
                 const std::filesystem::path& outFolder,
                 const std::filesystem::path& vtcFolder = {});

// Makes the output folder when it is missing and checks that a file can be
// created in it. Throws an input error naming the folder otherwise.
void prepareOutputFolder(const std::filesystem::path& outFolder);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_RUN_PLAN_H_
