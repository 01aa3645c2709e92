// `quorvel run`: the plug-in's analysis of NIfTI runs, with the host's part
// played by the command, and the results written to an output folder.
#ifndef QUORVEL_CLI_COMMANDS_RUN_COMMAND_H_
#define QUORVEL_CLI_COMMANDS_RUN_COMMAND_H_

#include <ostream>

#include "cli/outputs/run_options.h"
#include "cli/outputs/run_result.h"

namespace quorvel::cli {

// Runs the analysis. The log tab goes to `out` line by line as the plug-in
// writes it; message boxes and the command's own notes go to `err`.
// Throws a CliError for bad input (before anything is written) and for
// failures while writing the results. A plug-in run that returns false is
// reported in `executeResult`, not thrown.
RunReport runQuorvel(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_RUN_COMMAND_H_
