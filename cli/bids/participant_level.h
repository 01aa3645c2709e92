// `quorvel bids BIDS_DIR OUT_DIR participant` and `... list`: every BOLD run
// of the dataset analysed as a `quorvel run` of its own, into the BIDS
// derivatives layout OUT_DIR/sub-XX/[ses-YY/]func/.
#ifndef QUORVEL_CLI_BIDS_PARTICIPANT_LEVEL_H_
#define QUORVEL_CLI_BIDS_PARTICIPANT_LEVEL_H_

#include <ostream>

#include "cli/bids/bids_options.h"

namespace quorvel::cli {

// Analyses the runs the options select, up to `options.jobs` at once, each
// in a child process with its own settings folder (the installed settings
// and the options given, nothing saved earlier), skipping the runs whose
// outputs are up to date unless `options.force`. One line per run on
// `out`; a failed run's messages on `err`. A failed run does not stop the
// others. Returns 0 when every run succeeded or was up to date, 1
// otherwise. Throws an input error before any output when the dataset,
// a label or the selection is unusable.
int runParticipantLevel(const BidsOptions& options, std::ostream& out, std::ostream& err);

// Writes the labels of the participants that have selected runs, one per
// line without "sub-", for a job array over them. Returns 0.
int listParticipants(const BidsOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_PARTICIPANT_LEVEL_H_
