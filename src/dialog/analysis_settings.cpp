#include "dialog/analysis_settings.h"

#include <cmath>
#include <limits>

#include "host/host_call.h"

namespace quorvel {
namespace {

// The host's double as a float; values beyond the float range become
// infinities rather than an undefined conversion.
float narrowToFloat(double value) {
  constexpr double kLargest = std::numeric_limits<float>::max();
  if (value > kLargest || value < -kLargest) {
    const double halfUlp = std::ldexp(1.0, 127 - 24);  // rounds to FLT_MAX
    if (value < kLargest + halfUlp && value > -kLargest - halfUlp)
      return static_cast<float>(value > 0 ? kLargest : -kLargest);
    return value > 0 ? std::numeric_limits<float>::infinity()
                     : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

float readFloatParameter(const char* name) {
  return narrowToFloat(hostCall(nvGetFloatParameter, name));
}

bool readFlagParameter(const char* name) {
  return hostCall(nvGetIntParameter, name) != 0;
}

}  // namespace

AnalysisSettings readAnalysisSettings() {
  AnalysisSettings settings;
  settings.maxDeviation = readFloatParameter("Max_Deviation");
  settings.spikeDef = readFloatParameter("Spike_Def");
  settings.deleteOtherVmps = readFlagParameter("Delete_Other_Vmps");
  settings.createTSNRMap = readFlagParameter("Create_TSNR_Map");
  settings.createOutlierMap = readFlagParameter("Create_Outlier_Map");
  settings.createLaggedAutocorMap =
      readFlagParameter("Create_Lagged_Autocor_Map");
  settings.createTemporalOutlierLogtab =
      readFlagParameter("Create_Temporal_Outlier_Logtab");
  settings.createTemporalOutlierFile =
      readFlagParameter("Create_Temporal_Outlier_File");
  settings.addVtcName = readFlagParameter("Add_Vtc_Name");
  return settings;
}

}  // namespace quorvel
