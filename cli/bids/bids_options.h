// What the user asked `quorvel bids` for.
#ifndef QUORVEL_CLI_BIDS_BIDS_OPTIONS_H_
#define QUORVEL_CLI_BIDS_BIDS_OPTIONS_H_

#include <string>
#include <vector>

#include "cli/commands/run_command.h"

namespace quorvel::cli {

// The command line of `quorvel bids BIDS_DIR OUT_DIR LEVEL`.
struct BidsOptions {
  std::string bidsFolder;
  std::string outFolder;
  std::string level;  // "participant", "group" or "list"
  // Labels to keep, with or without their "sub-"/"ses-"/"task-" prefix;
  // empty keeps all.
  std::vector<std::string> participants, sessions, tasks;
  unsigned jobs = 0;    // runs analysed at once; 0 for the number of cores
  bool force = false;   // analyse runs whose outputs are up to date too
  RunOptions analysis;  // the analysis options handed to every run
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_BIDS_OPTIONS_H_
