#include "dialog/setting_lines.h"

#include <cmath>
#include <locale>
#include <sstream>

namespace quorvel {
namespace {

// A setting line whose replacement is four spaces, the key, one space,
// the value and ";".
SettingLine settingLine(const std::string& key, const std::string& value) {
  return SettingLine{key, "    " + key + " " + value + ";"};
}

std::string flagText(bool flag) { return flag ? "1" : "0"; }

SettingLine thresholdLine(const std::string& key, float value) {
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
  std::vector<SettingLine> lines;
  for (const DialogSetting& setting : kDialogSettings) {
    const std::string key = std::string(setting.scriptStatement) + " =";
    const double value = settingValue(settings, setting.setting);
    lines.push_back(setting.kind == SettingKind::kThreshold
                        ? thresholdLine(key, static_cast<float>(value))
                        : settingLine(key, flagText(value != 0)));
  }
  return lines;
}

}  // namespace quorvel
