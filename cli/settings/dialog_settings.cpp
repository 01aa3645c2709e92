#include "cli/settings/dialog_settings.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <sstream>

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
bool findAssignment(const std::vector<std::string>& lines,
                    const std::string& key, std::string& value) {
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
  if (text == "true") { flag = true; return true; }
  if (text == "false") { flag = false; return true; }
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

bool isUsableThreshold(double value) {
  return std::isfinite(value) && value >= 0.0 && value <= FLT_MAX;
}

DialogSettings parseGuiScriptSettings(const std::string& scriptText,
                                      const DialogSettings& start,
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
  flag("dlg.options.delete_other_vmps.checked", settings.deleteOtherVmps);
  flag("dlg.options.add_vtc_name.checked", settings.addVtcName);
  flag("dlg.maps.create_TSNR_map.checked", settings.createTSNRMap);
  flag("dlg.maps.create_lagged_autocor_map.checked",
       settings.createLaggedAutocorMap);
  flag("dlg.maps.create_outlier_map.checked", settings.createOutlierMap);
  number("dlg.parameters.max_deviation.value", settings.maxDeviation);
  number("dlg.parameters.spike_def.value", settings.spikeDef);
  flag("dlg.temporal.create_temporal_outlier_logtab.checked",
       settings.createTemporalOutlierLogtab);
  flag("dlg.temporal.create_temporal_outlier_file.checked",
       settings.createTemporalOutlierFile);
  return settings;
}

}  // namespace quorvel::cli
