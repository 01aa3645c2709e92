#include "dialog/analysis_settings.h"

#include <cmath>
#include <limits>

#include "host/host_call.h"

namespace quorvel {
namespace {

// Where a setting lives in AnalysisSettings: one of the two members is set,
// as the setting's kind says.
struct SettingField {
  float AnalysisSettings::*threshold;
  bool AnalysisSettings::*flag;
};

SettingField fieldOf(Setting setting) {
  switch (setting) {
    case Setting::kDeleteOtherMaps:
      return {nullptr, &AnalysisSettings::deleteOtherVmps};
    case Setting::kAddVtcName:
      return {nullptr, &AnalysisSettings::addVtcName};
    case Setting::kCreateTsnrMap:
      return {nullptr, &AnalysisSettings::createTSNRMap};
    case Setting::kCreateLaggedAutocorrelationMap:
      return {nullptr, &AnalysisSettings::createLaggedAutocorMap};
    case Setting::kCreateOutlierMap:
      return {nullptr, &AnalysisSettings::createOutlierMap};
    case Setting::kMaxDeviation:
      return {&AnalysisSettings::maxDeviation, nullptr};
    case Setting::kSpikeDefinition:
      return {&AnalysisSettings::spikeDef, nullptr};
    case Setting::kWriteOutliersToLog:
      return {nullptr, &AnalysisSettings::createTemporalOutlierLogtab};
    case Setting::kWriteOutliersToCsv:
      return {nullptr, &AnalysisSettings::createTemporalOutlierFile};
  }
  return {nullptr, nullptr};
}

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

}  // namespace

AnalysisSettings readAnalysisSettings(const HostFunctions& host) {
  AnalysisSettings settings;
  for (const Setting setting : kSettingReadOrder) {
    const char* name = dialogSetting(setting).parameterName;
    const SettingField field = fieldOf(setting);
    if (field.threshold != nullptr) {
      settings.*field.threshold =
          narrowToFloat(hostCall(host.getFloatParameter, name));
    } else if (field.flag != nullptr) {
      settings.*field.flag = hostCall(host.getIntParameter, name) != 0;
    }
  }
  return settings;
}

double settingValue(const AnalysisSettings& settings, Setting setting) {
  const SettingField field = fieldOf(setting);
  if (field.threshold != nullptr) return settings.*field.threshold;
  if (field.flag != nullptr) return settings.*field.flag ? 1.0 : 0.0;
  return 0.0;
}

}  // namespace quorvel
