// `quorvel run` on the command line: its options, and what it prints and
// returns once the analysis has run.
#ifndef QUORVEL_CLI_COMMANDS_RUN_COMMAND_LINE_H_
#define QUORVEL_CLI_COMMANDS_RUN_COMMAND_LINE_H_

#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/outputs/run_options.h"

namespace quorvel::cli {

// Adds the "run" subcommand to `app`, filling `options` when it is used.
CLI::App* addRunCommand(CLI::App& app, RunOptions& options);

// Runs the analysis of `options`, printing the log and results on `out`
// and notes on `err` (only errors and the summary lines with --quiet);
// returns the exit status. Throws a CliError like runQuorvel.
int runFromCommandLine(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_RUN_COMMAND_LINE_H_
