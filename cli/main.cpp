// The quorvel command: runs the Quorvel plug-in without the Noravia host on
// NIfTI fMRI runs, with a built-in demo.
#include <CLI/CLI.hpp>

#include <iostream>
#include <optional>
#include <sstream>

#include "cli/base/cli_error.h"
#include "cli/bids/bids_command.h"
#include "cli/commands/analysis_options.h"
#include "cli/commands/demo_command.h"
#include "cli/commands/run_command.h"
#include "cli/outputs/console_output.h"

namespace {

using quorvel::cli::addAnalysisOptions;
using quorvel::cli::CliError;
using quorvel::cli::RunOptions;

constexpr const char kSettingsNote[] =
    "Every call starts from the installed settings (the GUI script Quorvel1_0.js "
    "beside the plug-in) and the options given; nothing an earlier call did "
    "changes it. With --settings-dir DIR the dialog's memory is kept instead: the "
    "settings start from DIR/Quorvel1_0.js (made from the installed copy on first "
    "use), the plug-in saves the settings of every completed run there, and one "
    "quorvel at a time uses DIR; another waits.";

}  // namespace

// Declaring the options throws only on a mistake in this file.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  CLI::App app{
      "quorvel - data-quality maps (TSNR, lag 1+2 autocorrelation, largest "
      "deviation) and per-volume outlier and spike counts for fMRI runs",
      "quorvel"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "quorvel 1.2 (plug-in Quorvel 1.2)");
  app.footer(
      "Examples:\n"
      "  quorvel run --out qc sub-01_task-rest_bold.nii.gz\n"
      "  quorvel demo --out /tmp/quorvel-demo\n"
      "Run 'quorvel run --help' for the options of an analysis.");

  RunOptions options;
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
                  "Repetition time in seconds, over what the header or a sidecar beside the "
                  "run says")
      ->check(CLI::PositiveNumber);
  run->add_option("--log-name", options.logName,
                  "File name of the log in --out, replaced by a later call of the same name "
                  "(default: quorvel_log_<UTC time>_<process id>.txt, one per call)");
  run->add_option("-j,--jobs", options.jobs,
                  "Threads to read runs and compute the quality numbers with, beside the "
                  "plug-in's (default: one per core); outputs are the same for any number");
  run->add_flag("!--no-dataset-description", options.writeDatasetDescription,
                "Write no dataset_description.json (for folders inside a derivatives "
                "dataset described at its root)");
  run->footer(std::string(kSettingsNote) +
              "\n\nOutputs in --out: <entities>_stat-tsnr_boldmap.nii.gz, "
              "..._desc-ac12_boldmap.nii.gz, ..._desc-maxdev_boldmap.nii.gz (each "
              "with a .json), <run>.csv, ..._desc-qc_timeseries.tsv/.json, "
              "..._desc-qc_iqms.json (quality numbers), dataset_description.json (an "
              "existing one that quorvel did not write is kept) and this call's log "
              "quorvel_log_<UTC time>_<process id>.txt.\n"
              "Exit status: 0 when the plug-in completed, 1 when it stopped or an "
              "output could not be written, 2 for bad usage or unreadable input.\n\n"
              "Example:\n"
              "  quorvel run --out qc --max-deviation 3.5 --no-autocorrelation \\\n"
              "      sub-01_task-rest_bold.nii.gz sub-01_task-motor_bold.nii.gz");

  quorvel::cli::BidsOptions bidsOptions;
  CLI::App* bids = quorvel::cli::addBidsCommand(app, bidsOptions);

  std::string demoOut = "quorvel-demo";
  std::string demoSettings;
  CLI::App* demo =
      app.add_subcommand("demo", "Write a synthetic run with known faults and analyse it");
  demo->add_option("-o,--out", demoOut, "Folder for the synthetic run and every output")
      ->capture_default_str();
  demo->add_option("--settings-dir", demoSettings,
                   "Keep the settings between calls in this folder (as for run)");
  demo->footer("Example:\n  quorvel demo --out /tmp/quorvel-demo");

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return quorvel::cli::kExitBadInput;
  }

  try {
    if (*bids) return quorvel::cli::runBids(bidsOptions, std::cout, std::cerr);
    if (*demo) return quorvel::cli::runDemo(demoOut, demoSettings, std::cout, std::cerr);
    std::ostringstream discarded;
    std::ostream& out = options.quiet ? discarded : std::cout;
    std::ostream& notes = options.quiet ? discarded : std::cerr;
    quorvel::cli::RunReport report = quorvel::cli::runQuorvel(options, out, notes);
    if (!report.executeResult) {
      std::cerr << "quorvel: the analysis stopped before its end (the plug-in reported a "
                   "failure); see the log, also in "
                << report.logFile << "\n";
      return quorvel::cli::kExitRunFailed;
    }
    for (const auto& result : report.runs) {
      for (const std::string& file : result.files) notes << "quorvel: wrote " << file << "\n";
    }
    if (!report.datasetDescriptionFile.empty()) {
      notes << "quorvel: wrote " << report.datasetDescriptionFile << "\n";
    }
    notes << "quorvel: wrote " << report.logFile << "\n";
    if (!options.quiet)
      std::cout << "\n== Quorvel: " << report.runs.size()
                << (report.runs.size() == 1 ? " run" : " runs") << " analysed\n";
    for (const auto& result : report.runs) {
      std::cout << quorvel::cli::summaryLine(result) << "\n";
    }
    if (!options.quiet) {
      std::cout << "Maps, tables and quality numbers in " << options.outFolder << "; log in "
                << report.logFile << "\n";
    }
    return quorvel::cli::kExitSuccess;
  } catch (const CliError& error) {
    std::cerr << "quorvel: " << error.what() << "\n";
    return error.exitStatus();
  } catch (const std::exception& error) {
    std::cerr << "quorvel: " << error.what() << "\n";
    return quorvel::cli::kExitRunFailed;
  }
}
