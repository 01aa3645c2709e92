// Files the command finds beside its own executable: the plug-in library
// and the installed GUI script.
#ifndef QUORVEL_CLI_SETTINGS_INSTALL_PATHS_H_
#define QUORVEL_CLI_SETTINGS_INSTALL_PATHS_H_

#include <filesystem>

namespace quorvel::cli {

// The folder of the running executable (from /proc/self/exe).
std::filesystem::path executableFolder();

// The plug-in library beside the executable: "Quorvel1_2.so".
std::filesystem::path pluginLibraryPath();

// The installed GUI script beside the library: "Quorvel1_0.js".
std::filesystem::path installedScriptPath();

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SETTINGS_INSTALL_PATHS_H_
