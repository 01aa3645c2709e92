#include "cli/settings/dialog_settings.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "cli/base/number_text.h"

namespace quorvel::cli {
namespace {

std::string withoutSpaces(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c != ' ') out += c;
  }
  return out;
}

// The value text of the first assignment `key = value;` in the script
// (spaces removed), or false when there is none.
bool findAssignment(const std::vector<std::string>& lines, const std::string& key,
                    std::string& value) {
  const std::string pattern = key + "=";
  for (const std::string& line : lines) {
    std::string::size_type at = line.find(pattern);
    if (at == std::string::npos) continue;
    std::string::size_type start = at + pattern.size();
    if (start < line.size() && line[start] == '=') continue;  // a comparison
    std::string::size_type end = line.find(';', start);
    if (end == std::string::npos) continue;
    value = line.substr(start, end - start);
    return true;
  }
  return false;
}

bool parseFlag(const std::string& text, bool& flag) {
  if (text == "true") {
    flag = true;
    return true;
  }
  if (text == "false") {
    flag = false;
    return true;
  }
  if (text.empty()) return false;
  char* end = nullptr;
  long number = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0') return false;
  flag = number != 0;
  return true;
}

// The number the text spells, NaN and infinities included; false when the
// text is not a number.
bool parseNumber(const std::string& text, double& number) {
  if (text.empty()) return false;
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  if (*end != '\0') return false;
  number = value;
  return true;
}

}  // namespace

DialogSettingField fieldOf(Setting setting) {
  switch (setting) {
    case Setting::kDeleteOtherMaps:
      return {nullptr, &DialogSettings::deleteOtherVmps};
    case Setting::kAddVtcName:
      return {nullptr, &DialogSettings::addVtcName};
    case Setting::kCreateTsnrMap:
      return {nullptr, &DialogSettings::createTSNRMap};
    case Setting::kCreateLaggedAutocorrelationMap:
      return {nullptr, &DialogSettings::createLaggedAutocorMap};
    case Setting::kCreateOutlierMap:
      return {nullptr, &DialogSettings::createOutlierMap};
    case Setting::kMaxDeviation:
      return {&DialogSettings::maxDeviation, nullptr};
    case Setting::kSpikeDefinition:
      return {&DialogSettings::spikeDef, nullptr};
    case Setting::kWriteOutliersToLog:
      return {nullptr, &DialogSettings::createTemporalOutlierLogtab};
    case Setting::kWriteOutliersToCsv:
      return {nullptr, &DialogSettings::createTemporalOutlierFile};
  }
  return {};
}

double settingValue(const DialogSettings& settings, Setting setting) {
  const DialogSettingField field = fieldOf(setting);
  if (field.threshold != nullptr) return settings.*field.threshold;
  if (field.flag != nullptr) return settings.*field.flag ? 1.0 : 0.0;
  return 0.0;
}

bool isUsableThreshold(double value) {
  return std::isfinite(value) && value >= 0.0 && value <= FLT_MAX;
}

std::string unusableThresholdMessage(const std::string& option, const std::string& valueText) {
  return option + " " + valueText +
         ": a threshold must be a finite number of standard deviations, not negative and at most " +
         numberText(FLT_MAX);
}

std::string usableThresholdRange() {
  return "(finite, not negative, at most " + numberText(FLT_MAX) + ")";
}

DialogSettings parseGuiScriptSettings(const std::string& scriptText, const DialogSettings& start,
                                      std::vector<std::string>* missing,
                                      std::vector<std::string>* unusable) {
  std::vector<std::string> lines;
  std::istringstream in(scriptText);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(withoutSpaces(line));
  }
  DialogSettings settings = start;
  auto flag = [&](const char* key, bool& field) {
    std::string text;
    if (!findAssignment(lines, key, text) || !parseFlag(text, field)) {
      if (missing != nullptr) missing->push_back(std::string(key) + " =");
    }
  };
  auto number = [&](const char* key, double& field) {
    std::string text;
    double value = 0;
    if (!findAssignment(lines, key, text) || !parseNumber(text, value)) {
      if (missing != nullptr) missing->push_back(std::string(key) + " =");
    } else if (!isUsableThreshold(value)) {
      if (unusable != nullptr) unusable->push_back(std::string(key) + " = " + text);
    } else {
      field = value;
    }
  };
  for (const DialogSetting& setting : kDialogSettings) {
    const DialogSettingField field = fieldOf(setting.setting);
    if (field.threshold != nullptr) {
      number(setting.scriptStatement, settings.*field.threshold);
    } else if (field.flag != nullptr) {
      flag(setting.scriptStatement, settings.*field.flag);
    }
  }
  return settings;
}

}  // namespace quorvel::cli
