// The analysis options shared by `quorvel run` and `quorvel bids`: one
// option per dialog setting (its default taken from the dialog contract),
// declared once on a command line, laid over the saved settings, and
// written back as arguments for a child `quorvel run`.
#ifndef QUORVEL_CLI_COMMANDS_ANALYSIS_OPTIONS_H_
#define QUORVEL_CLI_COMMANDS_ANALYSIS_OPTIONS_H_

#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands/run_command.h"
#include "cli/settings/dialog_settings.h"

namespace quorvel::cli {

// Adds the thresholds and the --name/--no-name switches of the analysis to
// `app`, filling the matching fields of `options` when given.
void addAnalysisOptions(CLI::App& app, RunOptions& options);

// Sets in `settings` each dialog setting whose option `options` gives.
void applySettingOptions(const RunOptions& options, DialogSettings& settings);

// The options of `options` that were given, as command-line arguments that
// addAnalysisOptions reads back into the same values.
std::vector<std::string> analysisArguments(const RunOptions& options);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_ANALYSIS_OPTIONS_H_
