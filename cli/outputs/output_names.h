// Names of the files the command writes for one run, in the field's
// derivatives style: "sub-01_task-rest_bold.nii.gz" gives
// "sub-01_task-rest_stat-tsnr_boldmap.nii.gz" and so on.
#ifndef QUORVEL_CLI_OUTPUTS_OUTPUT_NAMES_H_
#define QUORVEL_CLI_OUTPUTS_OUTPUT_NAMES_H_

#include <string>

#include "cli/session/map_kind.h"

namespace quorvel::cli {

// The output file names of one run (names only, no folder).
struct RunOutputNames {
  // The run's file name without ".nii"/".nii.gz": "sub-01_task-rest_bold".
  std::string stem;
  // The stem without its suffix ("sub-01_task-rest") when the stem is a
  // list of key-value entities ending in a suffix; otherwise the stem.
  std::string entities;

  // The name under which the host knows the run as a VTC: "<stem>.vtc".
  std::string vtcName() const { return stem + ".vtc"; }
  // The plug-in's CSV file of per-volume counts: "<stem>.csv".
  std::string csvName() const { return stem + ".csv"; }
  // "<entities>_<label>_boldmap.nii.gz" and its ".json" sidecar.
  std::string mapName(MapKind kind) const;
  std::string mapSidecarName(MapKind kind) const;
  // "<entities>_desc-qc_timeseries.tsv" and its ".json" sidecar.
  std::string timeseriesName() const;
  std::string timeseriesSidecarName() const;
  // "<entities>_desc-qc_iqms.json": the run's quality numbers.
  std::string iqmName() const;
  // "<entities>_desc-brain_mask.nii.gz": the brain mask the IQMs use.
  std::string brainMaskName() const;
  // "<entities>_desc-qc_report.html": the run's visual quality report.
  std::string reportName() const;
};

// The output names of the run stored at `runPath`.
RunOutputNames outputNamesFor(const std::string& runPath);

// Name of the folder-wide description of the outputs.
constexpr const char kDatasetDescriptionName[] = "dataset_description.json";
// Name of the lock file in the output folder (not the settings folder's
// name, so that one folder can be both without a command locking itself).
constexpr const char kOutputLockName[] = ".quorvel-out.lock";
// Name of this call's log: "quorvel_log_<UTC start time>_<process id>.txt"
// (e.g. quorvel_log_20261207T104413Z_4711.txt), the same throughout the
// call, so a later call into the same folder never writes over it.
std::string callLogFileName();

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_OUTPUT_NAMES_H_
