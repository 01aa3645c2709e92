#include "dialog/setting_lines.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace quorvel {
namespace {

// A setting line whose replacement is four spaces, the key, one space,
// the value and ";".
SettingLine settingLine(const char* key, const std::string& value) {
  return SettingLine{key, "    " + std::string(key) + " " + value + ";"};
}

std::string flagText(bool flag) { return flag ? "1" : "0"; }

SettingLine thresholdLine(const char* key, float value) {
  if (!std::isfinite(value)) return SettingLine{key, std::string()};
  return settingLine(key, formatThreshold(value));
}

}  // namespace

std::string formatThreshold(float value) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << value;
  return text.str();
}

std::vector<SettingLine> makeSettingLines(const AnalysisSettings& settings) {
  return {
      settingLine("dlg.options.delete_other_vmps.checked =",
                  flagText(settings.deleteOtherVmps)),
      settingLine("dlg.options.add_vtc_name.checked =",
                  flagText(settings.addVtcName)),
      settingLine("dlg.maps.create_TSNR_map.checked =",
                  flagText(settings.createTSNRMap)),
      settingLine("dlg.maps.create_lagged_autocor_map.checked =",
                  flagText(settings.createLaggedAutocorMap)),
      settingLine("dlg.maps.create_outlier_map.checked =",
                  flagText(settings.createOutlierMap)),
      thresholdLine("dlg.parameters.max_deviation.value =",
                    settings.maxDeviation),
      thresholdLine("dlg.parameters.spike_def.value =", settings.spikeDef),
      settingLine("dlg.temporal.create_temporal_outlier_logtab.checked =",
                  flagText(settings.createTemporalOutlierLogtab)),
      settingLine("dlg.temporal.create_temporal_outlier_file.checked =",
                  flagText(settings.createTemporalOutlierFile)),
  };
}

}  // namespace quorvel
