// Checks of every path a call will write, made before the analysis starts,
// so that a call that cannot finish its outputs fails before the plug-in
// runs and before its settings are saved.
#ifndef QUORVEL_CLI_OUTPUTS_OUTPUT_CHECKS_H_
#define QUORVEL_CLI_OUTPUTS_OUTPUT_CHECKS_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/outputs/run_plan.h"

namespace quorvel::cli {

// One output file of the call: where it goes and the run it belongs to
// ("" for the folder-wide ones).
struct PlannedOutput {
  std::filesystem::path path;
  std::string runPath;
};

// Every file the call may write into the output folder, whatever the
// switches: each run's possible outputs, then the folder-wide ones.
std::vector<PlannedOutput> plannedOutputs(const RunPlan& plan);

// Longest file name the file system of `folder` (or of its nearest
// existing parent) takes; 255 when it does not say.
std::size_t longestFileName(const std::filesystem::path& folder);

// Throws an input error naming the output when two of `outputs` are one
// file (a --log-name given the name of a run's output or of the folder's
// description: one would replace the other), or when one is named like
// quorvel's own working files (".quorvel-..."), which would take it away.
void checkOutputNamesAreOwn(const std::vector<PlannedOutput>& outputs);

// Whether writing `path` would replace one of `inputs`, compared as
// checkOutputsSpareInputs compares them.
bool isOneOfInputs(const std::filesystem::path& path, const std::vector<std::string>& inputs);

// Throws an input error naming the output, its run and the input when an
// output would replace one of `inputs` (the runs and the MDM file). Paths
// are compared as files: the same device and inode, through a link or
// not, or the same normalised path where either does not exist.
void checkOutputsSpareInputs(const std::vector<PlannedOutput>& outputs,
                             const std::vector<std::string>& inputs);

// Throws an input error naming the output when its file name is longer
// than the output folder's file system takes (naming the limit), or when
// a link, folder or other non-regular file stands at its name. The
// folder's dataset_description.json is exempt from the second check: one
// that quorvel did not write is kept, not refused.
void checkOutputTargets(const std::vector<PlannedOutput>& outputs,
                        const std::filesystem::path& outFolder);

// Throws an input error naming the run when its path or its sidecars'
// source name is not valid UTF-8: the JSON outputs name the run, and a
// JSON writer refuses such bytes, which would fail the call only after the
// analysis.
void checkRunNamesAreText(const RunPlan& plan);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_OUTPUT_CHECKS_H_
