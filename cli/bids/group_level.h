// `quorvel bids BIDS_DIR OUT_DIR group`: the group table of every run that
// the participant level wrote into OUT_DIR.
#ifndef QUORVEL_CLI_BIDS_GROUP_LEVEL_H_
#define QUORVEL_CLI_BIDS_GROUP_LEVEL_H_

#include <ostream>

#include "cli/bids/bids_options.h"

namespace quorvel::cli {

// Writes OUT_DIR/group_bold.tsv and group_bold.json from the runs' IQM
// files alone (the BIDS folder is not read, so this can run where the
// participant level did not), then lists the flagged runs on `out`.
// Returns 0 when every IQM file was used, 1 when some could not be (they
// are named on `err` and left out). Throws an input error when OUT_DIR
// holds no participant output.
int runGroupLevel(const BidsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_GROUP_LEVEL_H_
