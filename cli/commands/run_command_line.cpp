#include "cli/commands/run_command_line.h"

#include <charconv>
#include <sstream>
#include <string>

#include "cli/base/cli_error.h"
#include "cli/base/sidecar_repetition_time.h"
#include "cli/commands/analysis_options.h"
#include "cli/commands/run_command.h"
#include "cli/outputs/console_output.h"

namespace quorvel::cli {
namespace {

constexpr const char kSettingsNote[] =
    "Every call starts from the installed settings (the GUI script Quorvel1_0.js "
    "beside the plug-in) and the options given; nothing an earlier call did "
    "changes it. With --settings-dir DIR the dialog's memory is kept instead: the "
    "settings start from DIR/Quorvel1_0.js (made from the installed copy on first "
    "use), the plug-in saves the settings of every completed run there, and one "
    "quorvel at a time uses DIR; another waits.";

// A given repetition time keeps the rule of the sidecars' (CLI11 puts the
// option's name before the message).
const CLI::Validator kPossibleRepetitionTime(
    [](std::string& value) {
      double seconds = 0;
      const char* end = value.data() + value.size();
      const auto read = std::from_chars(value.data(), end, seconds);
      if (read.ec == std::errc() && read.ptr == end && isPossibleRepetitionTime(seconds)) {
        return std::string();
      }
      return value + " is not a possible repetition time (" + possibleRepetitionTimeRange() + ")";
    },
    "");

}  // namespace

CLI::App* addRunCommand(CLI::App& app, RunOptions& options) {
  CLI::App* run = app.add_subcommand("run", "Analyse 4D NIfTI fMRI runs with the Quorvel plug-in");
  run->add_option("RUN", options.runs,
                  "4D NIfTI-1 or NIfTI-2 run (.nii or .nii.gz); several runs must share one grid");
  run->add_option("-o,--out", options.outFolder, "Folder for every output (made when missing)")
      ->capture_default_str();
  run->add_option("--mdm", options.mdmPath,
                  "MDM file naming more runs (first quoted field of each line; "
                  "relative paths are taken from the MDM's folder)");
  run->add_option("--settings-dir", options.settingsFolder,
                  "Keep the settings between calls in this folder, as the dialog does "
                  "(default: none kept)");
  addAnalysisOptions(*run, options);
  run->add_flag("-q,--quiet", options.quiet, "Print only errors and one summary line per run");
  run->add_flag("--show-table", options.showTable,
                "Print the plug-in's per-volume table too (it is always in the log file)");
  run->add_option("--source-uri", options.sourceUri,
                  "The run's name in the sidecars' Sources, e.g. a BIDS URI (one run only; "
                  "default: its file name)");
  run->add_option("--repetition-time", options.repetitionTime,
                  "Repetition time in seconds, from 0.001 to 3600, over what the header or a "
                  "sidecar beside the run says")
      ->check(kPossibleRepetitionTime);
  run->add_option("--log-name", options.logName,
                  "File name of the log in --out, replaced by a later call of the same name "
                  "(default: quorvel_log_<UTC time>_<process id>.txt, one per call)");
  run->add_option("-j,--jobs", options.jobs,
                  "Threads to read runs and compute the quality numbers with, beside the "
                  "plug-in's (default: one per core); outputs are the same for any number");
  run->add_option("--mask", options.maskPath,
                  "Brain mask for the standard IQMs: a NIfTI image on the runs' grid, voxels "
                  "above 0 inside (default: each run's automatic mask from its mean image)");
  run->add_flag("!--no-dataset-description", options.writeDatasetDescription,
                "Write no dataset_description.json (for folders inside a derivatives "
                "dataset described at its root)");
  run->footer(std::string(kSettingsNote) +
              "\n\nOutputs in --out: <entities>_stat-tsnr_boldmap.nii.gz, "
              "..._desc-ac12_boldmap.nii.gz, ..._desc-maxdev_boldmap.nii.gz (each "
              "with a .json), <run>.csv, ..._desc-qc_timeseries.tsv/.json, "
              "..._desc-qc_iqms.json (quality numbers and the standard IQMs), "
              "..._desc-brain_mask.nii.gz (the mask the IQMs use), the visual report "
              "..._desc-qc_report.html (skip it with --no-report), dataset_description.json (an "
              "existing one that quorvel did not write is kept) and this call's log "
              "quorvel_log_<UTC time>_<process id>.txt.\n"
              "Exit status: 0 when the plug-in completed, 1 when it stopped or an "
              "output could not be written, 2 for bad usage or unreadable input.\n\n"
              "Example:\n"
              "  quorvel run --out qc --max-deviation 3.5 --no-autocorrelation \\\n"
              "      sub-01_task-rest_bold.nii.gz sub-01_task-motor_bold.nii.gz");

  return run;
}

int runFromCommandLine(const RunOptions& options, std::ostream& out, std::ostream& err) {
  std::ostringstream discarded;
  std::ostream& log = options.quiet ? discarded : out;
  std::ostream& notes = options.quiet ? discarded : err;
  const RunReport report = runQuorvel(options, log, notes);
  if (!report.executeResult) {
    err << "quorvel: the analysis stopped before its end (the plug-in reported a "
           "failure); see the log, also in "
        << report.logFile << "\n";
    return kExitRunFailed;
  }
  printRunReport(report, options.outFolder, options.quiet, out, notes);
  return kExitSuccess;
}

}  // namespace quorvel::cli
