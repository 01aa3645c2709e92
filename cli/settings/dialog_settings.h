// The nine dialog settings the command hands the plug-in, where they come
// from (the GUI script's statements) and how they reach the host (as the
// dialog's named parameters).
#ifndef QUORVEL_CLI_SETTINGS_DIALOG_SETTINGS_H_
#define QUORVEL_CLI_SETTINGS_DIALOG_SETTINGS_H_

#include <string>
#include <vector>

namespace quorvel::cli {

// The dialog's settings, with the values the shipped script opens with.
struct DialogSettings {
  double maxDeviation = 4.0;  // "Max_Deviation"
  double spikeDef = 3.0;      // "Spike_Def"
  bool deleteOtherVmps = false;               // "Delete_Other_Vmps"
  bool createTSNRMap = true;                  // "Create_TSNR_Map"
  bool createOutlierMap = true;               // "Create_Outlier_Map"
  bool createLaggedAutocorMap = true;         // "Create_Lagged_Autocor_Map"
  bool createTemporalOutlierLogtab = true;    // "Create_Temporal_Outlier_Logtab"
  bool createTemporalOutlierFile = true;      // "Create_Temporal_Outlier_File"
  bool addVtcName = true;                     // "Add_Vtc_Name"

  // How many maps the plug-in adds for each run.
  int mapsPerRun() const {
    return int{createTSNRMap} + int{createOutlierMap} +
           int{createLaggedAutocorMap};
  }
};

// Whether `value` can serve as a threshold: a finite number, not negative,
// and no larger than the largest float (the plug-in keeps thresholds as
// floats).
bool isUsableThreshold(double value);

// The settings stated in a GUI script's text. Each of the nine statements
// "dlg.<group>.<control>.checked = <flag>;" or "... .value = <number>;" is
// found the way the plug-in finds it when it rewrites the script: spaces
// are ignored and the first line holding the statement counts. A setting
// whose statement is missing or unreadable keeps its value from `start`,
// and its statement text is added to `missing` (when given). A threshold
// that reads as a number but is not a usable one keeps its value from
// `start` too, and "<statement> <value text>" is added to `unusable`.
DialogSettings parseGuiScriptSettings(const std::string& scriptText,
                                      const DialogSettings& start,
                                      std::vector<std::string>* missing,
                                      std::vector<std::string>* unusable = nullptr);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SETTINGS_DIALOG_SETTINGS_H_
