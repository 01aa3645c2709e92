#include "dialog/settings_persistence.h"

#include <vector>

#include "dialog/gui_script_rewrite.h"
#include "dialog/setting_lines.h"
#include "host/dialog_contract.h"
#include "host/host_call.h"
#include "host/host_text.h"

namespace quorvel {

std::string guiScriptPath(const HostFunctions& host) {
  char pluginsPath[kPluginsPathBufferSize] = "";
  hostCall(host.getPluginsPath, pluginsPath);
  pluginsPath[kPluginsPathBufferSize - 1] = '\0';
  // Built whole, never cut: a cut path would name some other file.
  return std::string(pluginsPath) + "/" + kGuiScriptName;
}

void saveSettingsToGUIScript(const HostFunctions& host,
                             const AnalysisSettings& settings) {
  const std::string scriptPath = guiScriptPath(host);
  const std::vector<SettingLine> settingLines = makeSettingLines(settings);
  logText(host, "Saving the current settings");
  rewriteGUIScript(host, scriptPath, settingLines);
}

}  // namespace quorvel
