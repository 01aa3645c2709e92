// `quorvel run`: the plug-in's analysis of NIfTI runs, with the host's part
// played by the command, and the results written to an output folder.
#ifndef QUORVEL_CLI_COMMANDS_RUN_COMMAND_H_
#define QUORVEL_CLI_COMMANDS_RUN_COMMAND_H_

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/quality/run_quality.h"
#include "cli/quality/sample_view.h"
#include "cli/session/host_session.h"
#include "cli/session/volume_counts.h"

namespace quorvel::cli {

// What one run produced: everything a report on the run is written from.
struct RunResult {
  std::string runPath;
  int volumes = 0;
  std::optional<VolumeCounts> counts;  // when the plug-in reported them
  std::vector<std::string> files;      // output files written for the run
  std::vector<float> tsnrValues;       // the TSNR map, when one was made
  std::vector<MadeMap> maps;           // every map made for the run
  RunQuality quality;                  // IQMs and per-volume series
  std::vector<std::string> warnings;   // what the IQM file's "Warnings" holds
};

// Called once per analysed run, after its outputs are written, with the
// samples the plug-in analysed (valid only during the call).
using RunHook = std::function<void(const RunResult&, const SampleView&)>;

// What the user asked for. Unset settings come from the GUI script.
struct RunOptions {
  std::vector<std::string> runs;  // NIfTI files, in the order given
  std::string mdmPath;            // an MDM naming more runs; "" for none
  std::string outFolder = ".";
  std::string settingsFolder;  // "" for the per-user default
  // Written into the sidecars' Sources instead of the run's file name (a
  // BIDS URI such as "bids:raw:sub-01/func/sub-01_task-rest_bold.nii.gz");
  // one run only. "" for the file name.
  std::string sourceUri;
  // File name of the log in the output folder; "" for a name of this call's own.
  std::string logName;
  // Whether to write the output folder's dataset_description.json (off when
  // the folder lies inside a derivatives dataset described at its root).
  bool writeDatasetDescription = true;
  // The repetition time in seconds, over the header's and a sidecar's
  // (quorvel bids hands down the one its BIDS sidecars inherit).
  std::optional<double> repetitionTime;

  std::optional<double> maxDeviation;
  std::optional<double> spikeDef;
  std::optional<bool> deleteOtherVmps;
  std::optional<bool> createTSNRMap;
  std::optional<bool> createOutlierMap;
  std::optional<bool> createLaggedAutocorMap;
  std::optional<bool> createTemporalOutlierLogtab;
  std::optional<bool> createTemporalOutlierFile;
  std::optional<bool> addVtcName;
  std::optional<double> scale;      // factor applied to every sample; 1 when unset
  std::optional<bool> writeReport;  // the run page; unset writes it

  // Threads the command may use beside the plug-in's one (reading, the
  // quality numbers); 0 for one per core. Results are the same for any.
  unsigned jobs = 0;

  bool quiet = false;      // no notes, no log on stdout: errors only
  bool showTable = false;  // the plug-in's per-volume table on stdout too
  RunHook afterRun;        // may be empty
};

// What the whole command produced.
struct RunReport {
  bool executeResult = false;  // what the plug-in's execute returned
  std::string settingsScript;  // the GUI script the settings live in
  bool settingsSaved = false;  // the plug-in saved the settings into it
  std::string logFile;
  std::string datasetDescriptionFile;  // written by this call; "" when kept
  std::vector<RunResult> runs;
};

// Runs the analysis. The log tab goes to `out` line by line as the plug-in
// writes it; message boxes and the command's own notes go to `err`.
// Throws a CliError for bad input (before anything is written) and for
// failures while writing the results. A plug-in run that returns false is
// reported in `executeResult`, not thrown.
RunReport runQuorvel(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_RUN_COMMAND_H_
