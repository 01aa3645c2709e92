#include "cli/bids/bids_command.h"

#include "cli/bids/group_level.h"
#include "cli/bids/participant_level.h"
#include "cli/commands/analysis_options.h"

namespace quorvel::cli {

CLI::App* addBidsCommand(CLI::App& app, BidsOptions& options) {
  CLI::App* bids = app.add_subcommand(
      "bids", "Analyse every BOLD run of a BIDS dataset, then tabulate the study");
  bids->add_option("BIDS_DIR", options.bidsFolder, "The BIDS dataset")->required();
  bids->add_option("OUT_DIR", options.outFolder, "The derivatives folder (made when missing)")
      ->required();
  bids->add_option("LEVEL", options.level,
                   "participant: analyse each run into OUT_DIR/sub-XX/[ses-YY/]func/; "
                   "group: tabulate the runs' quality numbers into OUT_DIR/group_bold.tsv "
                   "and flag the runs far from the others; list: the participant labels, "
                   "one per line")
      ->required()
      ->check(CLI::IsMember({"participant", "group", "list"}));
  bids->add_option("--participant-label", options.participants,
                   "Only these participants (with or without \"sub-\")");
  bids->add_option("--session-label", options.sessions,
                   "Only these sessions (with or without \"ses-\")");
  bids->add_option("--task-label", options.tasks, "Only these tasks (with or without \"task-\")");
  bids->add_option("-j,--jobs", options.jobs,
                   "Runs analysed at once (default: the number of processors)");
  bids->add_flag("--force", options.force,
                 "Analyse runs again even when their outputs are up to date");
  addAnalysisOptions(*bids, options.analysis);
  bids->footer(
      "Each run is analysed by a quorvel run of its own, with the installed settings and\n"
      "the options given (never settings saved by earlier calls). A run whose outputs are\n"
      "complete, newer than the run and its sidecars, and made with the same options is\n"
      "skipped. Each run's visual report, <entities>_desc-qc_report.html, is written\n"
      "beside its outputs, and the group level writes the study's page\n"
      "group_bold_report.html; --no-report skips the runs' reports. The group level reads\n"
      "OUT_DIR: every sub-*/[ses-*/]func/*_desc-qc_iqms.json. A number without a unit\n"
      "is flagged when it lies below Q1 - 1.5 IQR or above Q3 + 1.5 IQR of the same\n"
      "number over the runs of its task and acquisition (at least 4 runs with a value);\n"
      "numbers in the scanner's units are shown but never flagged. A run made with other\n"
      "parameters than the rest is named in a warning.\n"
      "Exit status: 0 when every run succeeded, 1 when a run failed (the others go on) or\n"
      "a run's brain mask is empty, 2 for bad usage or an unusable dataset.\n"
      "Examples:\n"
      "  quorvel bids /data/study /data/study/derivatives/quorvel participant -j 4\n"
      "  quorvel bids /data/study /data/study/derivatives/quorvel group");
  return bids;
}

int runBids(const BidsOptions& options, std::ostream& out, std::ostream& err) {
  if (options.level == "participant") return runParticipantLevel(options, out, err);
  if (options.level == "list") return listParticipants(options, out, err);
  return runGroupLevel(options, out, err);
}

}  // namespace quorvel::cli
