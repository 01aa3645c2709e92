#include "cli/settings/settings_store.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/settings/dialog_settings.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// The whole file, or false when it is not a regular file that can be read.
bool readRegularFile(const fs::path& path, std::string& text) {
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream contents;
  contents << in.rdbuf();
  if (in.bad()) return false;
  text = contents.str();
  return true;
}

// The first of "<script>.broken", "<script>.broken.2", ... that is free.
fs::path freeBrokenName(const fs::path& script) {
  const std::string base = script.string() + ".broken";
  fs::path candidate = base;
  std::error_code error;
  for (int n = 2; fs::symlink_status(candidate, error).type() != fs::file_type::not_found; ++n) {
    candidate = base + "." + std::to_string(n);
  }
  return candidate;
}

}  // namespace

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

void makeSettingsFolder(const fs::path& folder) {
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
}

std::string unusableScriptReason(const std::string& text) {
  if (text.find_first_not_of(" \t\r\n") == std::string::npos) return "it is empty";
  std::vector<std::string> missing;
  parseGuiScriptSettings(text, DialogSettings{}, &missing);
  if (missing.size() == 9) return "it holds none of the setting statements";
  return "";
}

fs::path prepareSettingsScript(const fs::path& folder, const fs::path& installedScript,
                               const std::string& scriptName, std::ostream& err) {
  makeSettingsFolder(folder);
  fs::path script = folder / scriptName;
  std::error_code error;
  const bool present = fs::symlink_status(script, error).type() != fs::file_type::not_found;
  std::string installed;
  if (!readRegularFile(installedScript, installed)) {
    return script;  // nothing installed: the user's script or built-in values apply
  }

  if (present) {
    std::string current;
    std::string reason = "it cannot be read";
    if (readRegularFile(script, current)) reason = unusableScriptReason(current);
    if (reason.empty()) return script;
    const fs::path broken = freeBrokenName(script);
    fs::rename(script, broken, error);
    if (error) {
      err << "quorvel: " << script.string() << ": " << reason << ", and it cannot be moved aside ("
          << error.message() << "); using the installed settings\n";
      return script;
    }
    err << "quorvel: " << script.string() << ": " << reason << "; kept as " << broken.string()
        << " and replaced by a copy of " << installedScript.string() << "\n";
  }
  try {
    writeFileAtomically(script, installed);
  } catch (const CliError& failure) {
    throw inputError(std::string("cannot set up the settings: ") + failure.what());
  }
  return script;
}

}  // namespace quorvel::cli
