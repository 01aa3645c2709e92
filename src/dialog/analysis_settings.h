// The nine settings of one "Start": read from the dialog's parameters and
// printed in the log tab.
#ifndef QUORVEL_DIALOG_ANALYSIS_SETTINGS_H_
#define QUORVEL_DIALOG_ANALYSIS_SETTINGS_H_

#include "analysis/analysis_settings.h"
#include "host/dialog_contract.h"
#include "host/host_function_table.h"

namespace quorvel {

// Reads the nine dialog parameters, in kSettingReadOrder, with one host call
// each. Thresholds are narrowed to float; a flag is true when non-zero.
AnalysisSettings readAnalysisSettings(const HostFunctions& host);

// Prints the settings as the eleven-line parameter table in the log tab.
void logAnalysisSettings(const HostFunctions& host,
                         const AnalysisSettings& settings);

// The value of `setting` in `settings`: a threshold as it is, a flag as 1
// or 0.
double settingValue(const AnalysisSettings& settings, Setting setting);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_ANALYSIS_SETTINGS_H_
