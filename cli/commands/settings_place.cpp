#include "cli/commands/settings_place.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <system_error>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/outputs/stale_temporaries.h"
#include "cli/settings/install_paths.h"
#include "cli/settings/settings_store.h"
#include "host/dialog_contract.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// A new empty folder "quorvel-settings-XXXXXX" under `parent`, or "".
fs::path newPrivateFolder(const fs::path& parent) {
  std::string pattern = (parent / "quorvel-settings-XXXXXX").string();
  if (pattern.size() > kMaxPluginsFolderLength) return {};
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

// The text of a readable regular file, or "" with `readable` false.
std::string readRegular(const fs::path& path, bool& readable) {
  std::error_code error;
  readable = fs::is_regular_file(path, error);
  if (!readable) return {};
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  readable = static_cast<bool>(in) || in.eof();
  return text.str();
}

}  // namespace

void SettingsPlace::makePrivateFolder(const fs::path& seedScript) {
  std::error_code error;
  fs::path parent = fs::temp_directory_path(error);
  privateFolder_ = error ? fs::path() : newPrivateFolder(parent);
  if (privateFolder_.empty()) privateFolder_ = newPrivateFolder("/tmp");
  if (privateFolder_.empty()) {
    throw inputError("cannot make a private settings folder in " + parent.string() + " or /tmp (" +
                     std::strerror(errno) + ")");
  }
  pluginsFolder_ = privateFolder_;
  bool readable = false;
  const std::string seed = readRegular(seedScript, readable);
  if (readable) writeFileAtomically(savingScript(), seed);
}

void SettingsPlace::makeSavingFolder() {
  // The plug-in saves as soon as its analysis ends, long before the outputs
  // are in place: saved straight into the user's script, a call killed in
  // between would leave settings that no output was made with. So it saves
  // into a folder of its own beside the script, which is renamed onto the
  // user's once the outputs are in place. Where that folder cannot be had
  // (a path too long for the plug-in, no hard links), it saves in place.
  pluginsFolder_ = userFolder_;
  const fs::path folder = userFolder_ / processTemporaryName();
  if (folder.string().size() > kMaxPluginsFolderLength) return;
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  if (::mkdir(folder.c_str(), 0700) != 0) return;
  // A link, not a copy: no byte is written, and the plug-in replaces the
  // script by renaming a new file onto it, so the user's stays untouched.
  const fs::path user = script();
  const fs::path saving = folder / kGuiScriptName;
  if (::link(user.c_str(), saving.c_str()) != 0 && errno != ENOENT) {
    fs::remove_all(folder, ignored);
    return;
  }
  privateFolder_ = folder;
  pluginsFolder_ = folder;
}

SettingsPlace::SettingsPlace(const std::string& folderOption, std::ostream& err) {
  if (folderOption.empty()) {
    makePrivateFolder(installedScriptPath());
    return;
  }
  userFolder_ = settingsFolder(folderOption);
  makeSettingsFolder(userFolder_);
  if (::access(userFolder_.c_str(), W_OK | X_OK) == 0) {
    lock_ = std::make_unique<SettingsLock>(userFolder_, err);
    persistent_ = true;
    prepareSettingsScript(userFolder_, installedScriptPath(), kGuiScriptName, err);
    err << "quorvel: settings are read from and saved to " << script().string() << "\n";
    clearStaleTemporaries(userFolder_, {}, err);
    makeSavingFolder();
    return;
  }
  // Read-only: the run starts from the user's script, and the plug-in's
  // save goes into a private copy that is dropped.
  unsavableReason_ = std::strerror(errno);
  const fs::path userScript = userFolder_ / kGuiScriptName;
  bool readable = false;
  const std::string text = readRegular(userScript, readable);
  const bool usable = readable && unusableScriptReason(text).empty();
  makePrivateFolder(usable ? userScript : installedScriptPath());
  err << "quorvel: " << userFolder_.string() << ": the settings folder cannot be written ("
      << unsavableReason_ << "); the run "
      << (usable ? "starts from its settings" : "uses the installed settings")
      << " but cannot save them\n";
}

SettingsPlace::~SettingsPlace() {
  if (privateFolder_.empty()) return;
  std::error_code ignored;
  fs::remove_all(privateFolder_, ignored);
}

fs::path SettingsPlace::script() const {
  return (persistent_ ? userFolder_ : pluginsFolder_) / kGuiScriptName;
}

fs::path SettingsPlace::savingScript() const { return pluginsFolder_ / kGuiScriptName; }

std::string SettingsPlace::withUserPaths(std::string text) const {
  if (!persistent_) return text;
  const std::string from = pluginsFolder_.string() + "/";
  const std::string to = userFolder_.string() + "/";
  for (std::string::size_type at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::string SettingsPlace::keepSavedSettings() const {
  if (savingScript() == script()) return "";
  std::error_code error;
  if (fs::symlink_status(savingScript(), error).type() == fs::file_type::not_found) return "";
  // Still the link to the user's script when nothing was saved: renaming a
  // file onto itself leaves both names as they are.
  fs::rename(savingScript(), script(), error);
  if (error) return script().string() + ": cannot be put in place (" + error.message() + ")";
  return "";
}

}  // namespace quorvel::cli
