// What the user asks of a call of `quorvel run`.
#ifndef QUORVEL_CLI_OUTPUTS_RUN_OPTIONS_H_
#define QUORVEL_CLI_OUTPUTS_RUN_OPTIONS_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/outputs/run_result.h"
#include "cli/outputs/step_hook.h"
#include "cli/quality/sample_view.h"

namespace quorvel::cli {

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
  // A brain mask on the runs' grid for the standard IQMs, instead of the
  // one each run's mean image gives; "" for none.
  std::string maskPath;
  std::optional<double> scale;        // factor applied to every sample; 1 when unset
  std::optional<double> fdThreshold;  // mm, for fd_num and fd_perc; 0.2 when unset
  std::optional<bool> writeReport;    // the run page; unset writes it

  // Threads the command may use beside the plug-in's one (reading, the
  // quality numbers); 0 for one per core. Results are the same for any.
  unsigned jobs = 0;

  bool quiet = false;      // no notes, no log on stdout: errors only
  bool showTable = false;  // the plug-in's per-volume table on stdout too
  RunHook afterRun;        // may be empty
  StepHook atStep;         // may be empty
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_RUN_OPTIONS_H_
