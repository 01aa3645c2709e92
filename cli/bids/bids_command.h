// `quorvel bids BIDS_DIR OUT_DIR LEVEL`: the command over a whole BIDS
// dataset, in the usual shape of tools for such datasets.
#ifndef QUORVEL_CLI_BIDS_BIDS_COMMAND_H_
#define QUORVEL_CLI_BIDS_BIDS_COMMAND_H_

#include <ostream>

#include <CLI/CLI.hpp>

#include "cli/bids/bids_options.h"

namespace quorvel::cli {

// Adds the "bids" subcommand to `app`, filling `options` when it is used.
CLI::App* addBidsCommand(CLI::App& app, BidsOptions& options);

// Runs the level of `options`; returns the exit status. Throws a CliError
// for bad usage or input found before any output.
int runBids(const BidsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_BIDS_COMMAND_H_
