// Saving the settings of a completed run into the dialog's GUI script, so
// that the dialog opens with them the next time.
#ifndef QUORVEL_DIALOG_SETTINGS_PERSISTENCE_H_
#define QUORVEL_DIALOG_SETTINGS_PERSISTENCE_H_

#include <string>

#include "analysis/analysis_settings.h"
#include "host/host_function_table.h"

namespace quorvel {

// The GUI script's path: the host's plug-ins folder, "/" (always, even after
// a separator) and kGuiScriptName.
std::string guiScriptPath(const HostFunctions& host);

// Logs "Saving the current settings" and rewrites the nine setting
// statements of the GUI script with `settings`. A failed save is logged and
// does not fail the run.
void saveSettingsToGUIScript(const HostFunctions& host,
                             const AnalysisSettings& settings);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_SETTINGS_PERSISTENCE_H_
