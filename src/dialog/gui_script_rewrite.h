// Rewriting the setting statements of the dialog's GUI script in place.
#ifndef QUORVEL_DIALOG_GUI_SCRIPT_REWRITE_H_
#define QUORVEL_DIALOG_GUI_SCRIPT_REWRITE_H_

#include <string>
#include <vector>

#include "dialog/setting_lines.h"
#include "host/host_function_table.h"

namespace quorvel {

// The file the new script text is written to before it replaces the
// script: beside it, named after the script and this process
// ("Quorvel1_0.js.saving.<process id>"), so that hosts in two processes
// sharing one plug-ins folder never write into each other's text.
std::string temporaryScriptPath(const std::string& scriptPath);

// Replaces every line of the script at `scriptPath` that contains one of
// the search keys (spaces, and only spaces, ignored on both sides) by the
// replacement line of the first such key in `settingLines` (unless that
// replacement is empty); other lines stay as read. The script keeps its
// number of lines and ends with a line end exactly when it did before.
//
// The new text goes to a temporary file beside the script, which then
// replaces the script; the script is never left half-written. A script that
// cannot be read is neither created nor emptied ("File could not be opened
// for reading"); when the new text cannot be written or moved into place the
// script stays as it was ("File could not be opened for writing"). Logs
// "%i lines were replaced in %s" in every case and returns that number,
// which is 0 after a failure.
int rewriteGUIScript(const HostFunctions& host, const std::string& scriptPath,
                     const std::vector<SettingLine>& settingLines);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_GUI_SCRIPT_REWRITE_H_
