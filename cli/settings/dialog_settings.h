// The nine dialog settings the command hands the plug-in, where they come
// from (the GUI script's statements) and how they reach the host (as the
// dialog's named parameters).
#ifndef QUORVEL_CLI_SETTINGS_DIALOG_SETTINGS_H_
#define QUORVEL_CLI_SETTINGS_DIALOG_SETTINGS_H_

#include <string>
#include <vector>

#include "host/dialog_contract.h"

namespace quorvel::cli {

// The shipped script's value of a flag setting.
constexpr bool defaultFlag(Setting setting) { return dialogSetting(setting).defaultValue != 0; }

// The dialog's settings, with the values the shipped script opens with.
struct DialogSettings {
  double maxDeviation = dialogSetting(Setting::kMaxDeviation).defaultValue;
  double spikeDef = dialogSetting(Setting::kSpikeDefinition).defaultValue;
  bool deleteOtherVmps = defaultFlag(Setting::kDeleteOtherMaps);
  bool createTSNRMap = defaultFlag(Setting::kCreateTsnrMap);
  bool createOutlierMap = defaultFlag(Setting::kCreateOutlierMap);
  bool createLaggedAutocorMap = defaultFlag(Setting::kCreateLaggedAutocorrelationMap);
  bool createTemporalOutlierLogtab = defaultFlag(Setting::kWriteOutliersToLog);
  bool createTemporalOutlierFile = defaultFlag(Setting::kWriteOutliersToCsv);
  bool addVtcName = defaultFlag(Setting::kAddVtcName);

  // How many maps the plug-in adds for each run.
  int mapsPerRun() const {
    return int{createTSNRMap} + int{createOutlierMap} + int{createLaggedAutocorMap};
  }
};

// Where a setting lives in DialogSettings: the member its kind says is set.
struct DialogSettingField {
  double DialogSettings::*threshold = nullptr;
  bool DialogSettings::*flag = nullptr;
};

// The member of DialogSettings that holds `setting`.
DialogSettingField fieldOf(Setting setting);

// The value of `setting`: a threshold as it is, a flag as 1 or 0.
double settingValue(const DialogSettings& settings, Setting setting);

// Whether `value` can serve as a threshold: a finite number, not negative,
// and no larger than the largest float (the plug-in keeps thresholds as
// floats).
bool isUsableThreshold(double value);

// The error for option `option` given a threshold (written `valueText`)
// that is not usable.
std::string unusableThresholdMessage(const std::string& option, const std::string& valueText);

// What an unusable threshold of a GUI script is told against: "(finite,
// not negative, at most <largest float>)".
std::string usableThresholdRange();

// The settings stated in a GUI script's text. Each of the nine statements
// "dlg.<group>.<control>.checked = <flag>;" or "... .value = <number>;" is
// found the way the plug-in finds it when it rewrites the script: spaces
// are ignored and the first line holding the statement counts. A setting
// whose statement is missing or unreadable keeps its value from `start`,
// and its statement text is added to `missing` (when given). A threshold
// that reads as a number but is not a usable one keeps its value from
// `start` too, and "<statement> <value text>" is added to `unusable`.
DialogSettings parseGuiScriptSettings(const std::string& scriptText, const DialogSettings& start,
                                      std::vector<std::string>* missing,
                                      std::vector<std::string>* unusable = nullptr);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SETTINGS_DIALOG_SETTINGS_H_
