// What a call of `quorvel run` produced: per run and for the whole call.
#ifndef QUORVEL_CLI_OUTPUTS_RUN_RESULT_H_
#define QUORVEL_CLI_OUTPUTS_RUN_RESULT_H_

#include <optional>
#include <string>
#include <vector>

#include "cli/quality/run_quality.h"
#include "cli/session/host_session.h"

namespace quorvel::cli {

// What one run produced: everything a report on the run is written from.
struct RunResult {
  std::string runPath;
  int volumes = 0;
  std::vector<std::string> files;     // output files written for the run
  std::vector<float> tsnrValues;      // the TSNR map, when one was made
  std::vector<MadeMap> maps;          // every map made for the run
  RunQuality quality;                 // IQMs, per-volume series, the plug-in's counts
  std::vector<std::string> warnings;  // what the IQM file's "Warnings" holds
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

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_RUN_RESULT_H_
