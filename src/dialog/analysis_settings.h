// The nine settings of one "Start": read from the dialog's parameters,
// printed in the log tab, used by the analysis and saved into the GUI script.
#ifndef QUORVEL_DIALOG_ANALYSIS_SETTINGS_H_
#define QUORVEL_DIALOG_ANALYSIS_SETTINGS_H_

namespace quorvel {

struct AnalysisSettings {
  float maxDeviation = 0;  // outlier threshold, in standard deviations
  float spikeDef = 0;      // spike threshold, in standard deviations
  bool deleteOtherVmps = false;
  bool createTSNRMap = false;
  bool createOutlierMap = false;
  bool createLaggedAutocorMap = false;
  bool createTemporalOutlierLogtab = false;
  bool createTemporalOutlierFile = false;
  bool addVtcName = false;
};

// Reads the nine dialog parameters, in a fixed order, with one host call
// each. Thresholds are narrowed to float; a flag is true when non-zero.
AnalysisSettings readAnalysisSettings();

// Prints the settings as the eleven-line parameter table in the log tab.
void logAnalysisSettings(const AnalysisSettings& settings);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_ANALYSIS_SETTINGS_H_
