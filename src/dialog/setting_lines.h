// The nine statements of the GUI script that hold the dialog's settings.
#ifndef QUORVEL_DIALOG_SETTING_LINES_H_
#define QUORVEL_DIALOG_SETTING_LINES_H_

#include <string>
#include <vector>

#include "dialog/analysis_settings.h"

namespace quorvel {

// One statement: the text that finds it in the script and the line that
// replaces it.
struct SettingLine {
  std::string searchKey;    // e.g. "dlg.maps.create_TSNR_map.checked ="
  std::string replacement;  // e.g. "    dlg.maps.create_TSNR_map.checked = 1;"
                            // empty: the statement stays as it is
};

// A threshold as a default std::ostream prints a float: at most six
// significant digits, no trailing zeros (4, 3.5, 0.15, 1e-05, 1e+06).
std::string formatThreshold(float value);

// The nine setting lines for `settings`, in their fixed order: flags as 1
// or 0, thresholds as formatThreshold() prints them. A threshold that is
// not a finite number ("inf" and "nan" are no values in the script) gets no
// replacement, so the script keeps the value it had.
std::vector<SettingLine> makeSettingLines(const AnalysisSettings& settings);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_SETTING_LINES_H_
