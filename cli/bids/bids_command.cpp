#include "cli/bids/bids_command.h"

#include "cli/bids/group_level.h"
#include "cli/commands/analysis_options.h"

namespace quorvel::cli {

CLI::App* addBidsCommand(CLI::App& app, BidsOptions& options) {
  CLI::App* bids = app.add_subcommand(
      "bids", "Analyse every BOLD run of a BIDS dataset, then tabulate the study");
  bids->add_option("BIDS_DIR", options.bidsFolder, "The BIDS dataset")->required();
  bids->add_option("OUT_DIR", options.outFolder,
                   "The derivatives folder (made when missing)")->required();
  bids->add_option("LEVEL", options.level,
                   "group: tabulate the runs' quality numbers into "
                   "OUT_DIR/group_bold.tsv and flag the runs far from the others")
      ->required()
      ->check(CLI::IsMember({"group"}));
  bids->add_option("--participant-label", options.participants,
                   "Only these participants (with or without \"sub-\")");
  bids->add_option("--session-label", options.sessions,
                   "Only these sessions (with or without \"ses-\")");
  bids->add_option("--task-label", options.tasks, "Only these tasks (with or without \"task-\")");
  bids->footer(
      "The group level reads only OUT_DIR: every sub-*/[ses-*/]func/*_desc-qc_iqms.json.\n"
      "A number is flagged when it lies below Q1 - 1.5 IQR or above Q3 + 1.5 IQR of the\n"
      "same number over the runs (at least 4 runs with a value).\n"
      "Example:\n"
      "  quorvel bids /data/study /data/study/derivatives/quorvel group");
  return bids;
}

int runBids(const BidsOptions& options, std::ostream& out, std::ostream& err) {
  return runGroupLevel(options, out, err);
}

}  // namespace quorvel::cli
