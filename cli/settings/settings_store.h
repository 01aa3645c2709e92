// Where the command keeps the dialog's GUI script between runs.
//
// The plug-in saves its settings by rewriting the GUI script in the host's
// plug-ins folder. The command gives the plug-in a per-user folder as that
// plug-ins folder, so the installed script beside the library is never
// written: the user's copy is made from it on first use.
#ifndef QUORVEL_CLI_SETTINGS_SETTINGS_STORE_H_
#define QUORVEL_CLI_SETTINGS_SETTINGS_STORE_H_

#include <cstddef>
#include <filesystem>
#include <ostream>
#include <string>

#include "host/dialog_contract.h"

namespace quorvel::cli {

// Longest plug-ins folder path the plug-in can receive from its host.
constexpr std::size_t kMaxPluginsFolderLength = kPluginsPathBufferSize - 1;

// The per-user folder: `override` when not empty, else
// $XDG_CONFIG_HOME/quorvel, else $HOME/.config/quorvel.
std::filesystem::path settingsFolder(const std::string& override);

// Makes `folder` when it is missing. Throws an input error when its path is
// too long for the plug-in or it cannot be made.
void makeSettingsFolder(const std::filesystem::path& folder);

// Makes sure `folder` exists and holds the GUI script named `scriptName`,
// copying `installedScript` there when the folder has none yet. A user's
// script that is unusable (not a file that can be read, empty, or holding
// none of the setting statements) is renamed to "<scriptName>.broken"
// (".broken.2" and so on when that name is taken), never deleted, and a
// fresh copy takes its place; `err` is told. Returns the path of the
// user's script. Throws an input error when the folder cannot be made or
// the copy fails; a missing installed script only leaves the user's script
// as it is, and the caller falls back on the built-in values.
std::filesystem::path prepareSettingsScript(const std::filesystem::path& folder,
                                            const std::filesystem::path& installedScript,
                                            const std::string& scriptName, std::ostream& err);

// Why the GUI script text `text` cannot serve as the user's settings, or
// "" when it can.
std::string unusableScriptReason(const std::string& text);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SETTINGS_SETTINGS_STORE_H_
