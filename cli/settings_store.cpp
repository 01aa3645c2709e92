#include "cli/settings_store.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "cli/atomic_file.h"
#include "cli/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;

fs::path settingsFolder(const std::string& override) {
  if (!override.empty()) return fs::path(override);
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  if (configHome != nullptr && configHome[0] == '/') {
    return fs::path(configHome) / "quorvel";
  }
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') {
    return fs::path(home) / ".config" / "quorvel";
  }
  throw inputError(
      "cannot find a folder for the settings: neither XDG_CONFIG_HOME nor "
      "HOME is set; give one with --settings-dir");
}

fs::path prepareSettingsScript(const fs::path& folder,
                               const fs::path& installedScript,
                               const std::string& scriptName) {
  // The host hands the plug-in its plug-ins folder in a 256-byte buffer.
  if (folder.string().size() > kMaxPluginsFolderLength) {
    throw inputError(folder.string().substr(0, 60) +
                     "...: the settings folder's path is longer than the " +
                     std::to_string(kMaxPluginsFolderLength) +
                     " characters the plug-in takes; give a shorter one with "
                     "--settings-dir");
  }
  std::error_code error;
  fs::create_directories(folder, error);
  if (error || !fs::is_directory(folder)) {
    throw inputError(folder.string() + ": cannot make the settings folder (" +
                     (error ? error.message() : "not a folder") + ")");
  }
  const fs::path script = folder / scriptName;
  if (fs::exists(script, error)) return script;
  std::ifstream in(installedScript, std::ios::binary);
  if (!in) return script;  // nothing installed: built-in values apply
  std::ostringstream contents;
  contents << in.rdbuf();
  try {
    writeFileAtomically(script, contents.str());
  } catch (const CliError& failure) {
    throw inputError(std::string("cannot set up the settings: ") +
                     failure.what());
  }
  return script;
}

}  // namespace quorvel::cli
