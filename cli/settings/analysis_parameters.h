// Every parameter one analysis used, and how the command records it: in
// each JSON sidecar and at the top of the log.
#ifndef QUORVEL_CLI_SETTINGS_ANALYSIS_PARAMETERS_H_
#define QUORVEL_CLI_SETTINGS_ANALYSIS_PARAMETERS_H_

#include <nlohmann/json.hpp>
#include <string>

#include "cli/settings/dialog_settings.h"

namespace quorvel::cli {

// The dialog's nine settings and the factor the samples were multiplied by.
struct AnalysisParameters {
  DialogSettings dialog;
  double scale = 1.0;
};

// The parameters as a JSON object: MaxDeviation, SpikeDef, the seven
// switches under the dialog's names, Scale and the fixed IntensityFloor.
nlohmann::ordered_json parametersJson(const AnalysisParameters& parameters);

// The same as one line of "Name=value" pairs for the log.
std::string parametersLine(const AnalysisParameters& parameters);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SETTINGS_ANALYSIS_PARAMETERS_H_
