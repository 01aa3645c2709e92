#include <string>

#include "dialog/analysis_settings.h"
#include "host/host_text.h"

namespace quorvel {
namespace {

// Characters of every row of the table, frame included, when its value
// takes three characters ("Yes", "No " or a threshold like "4.0").
constexpr std::size_t kRowWidth = 45;

// "| <label>: " followed by the value and the spaces that put the closing
// "|" in the last column for a three-character value.
void logRow(const HostFunctions& host, const DialogSetting& row,
            const AnalysisSettings& settings) {
  const std::string label = row.logLabel;
  const std::size_t used = 2 + label.size() + 2 + 3 + 1;
  const std::string padding(used < kRowWidth ? kRowWidth - used : 0, ' ');
  const double value = settingValue(settings, row.setting);
  if (row.kind == SettingKind::kThreshold) {
    logFormatted(host, "| %s: %1.1f%s|", label.c_str(), value, padding.c_str());
  } else {
    // "No " keeps three characters, so the frame stays straight.
    logFormatted(host, "| %s: %s%s|", label.c_str(), value != 0 ? "Yes" : "No ",
                 padding.c_str());
  }
}

}  // namespace

void logAnalysisSettings(const HostFunctions& host,
                         const AnalysisSettings& settings) {
  logText(host, "===== The following parameters are used =====");
  for (const DialogSetting& row : kDialogSettings) logRow(host, row, settings);
  logText(host, "=============================================");
}

}  // namespace quorvel
