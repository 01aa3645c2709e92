// The nine settings one analysis run works with.
#ifndef QUORVEL_ANALYSIS_ANALYSIS_SETTINGS_H_
#define QUORVEL_ANALYSIS_ANALYSIS_SETTINGS_H_

namespace quorvel {

// The settings of one "Start", as the dialog hands them to the analysis.
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

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_ANALYSIS_SETTINGS_H_
