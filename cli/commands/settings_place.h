// Where the plug-in of one call reads and saves its GUI script.
//
// By default a call has no memory: the plug-in gets a private temporary
// folder seeded from the installed script, saves into it as it does in
// the host, and the folder goes when the call ends, so every call starts
// from the installed defaults and its options. With --settings-dir the
// dialog's persistence is kept: under that folder's lock, what the
// plug-in saves replaces the folder's script once the call's outputs are in
// place, and the next call starts from it. A settings folder that cannot be written is read but not
// saved into.
#ifndef QUORVEL_CLI_COMMANDS_SETTINGS_PLACE_H_
#define QUORVEL_CLI_COMMANDS_SETTINGS_PLACE_H_

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include "cli/settings/settings_lock.h"

namespace quorvel::cli {

class SettingsPlace {
 public:
  // A private folder for `folderOption` "", else the user's folder (made
  // when missing, locked, its script seeded or set aside as
  // prepareSettingsScript does). Notes go to `err`. Throws an input error
  // when a private folder cannot be made or the user's folder cannot be
  // made or locked.
  SettingsPlace(const std::string& folderOption, std::ostream& err);
  // Removes a private folder with everything in it.
  ~SettingsPlace();

  SettingsPlace(const SettingsPlace&) = delete;
  SettingsPlace& operator=(const SettingsPlace&) = delete;

  // The folder handed to the plug-in as its plug-ins folder.
  const std::filesystem::path& pluginsFolder() const { return pluginsFolder_; }
  // The GUI script the settings are read from: the user's when it is kept,
  // else the one in the plug-ins folder.
  std::filesystem::path script() const;
  // The GUI script the plug-in saves the settings into during the call.
  std::filesystem::path savingScript() const;
  // `text` with the plug-ins folder's path replaced by the user's folder's
  // when the settings are kept: the log names the script they end up in.
  std::string withUserPaths(std::string text) const;
  // Puts the script the plug-in saved in place of the user's, when the
  // settings are kept and it saved in a folder of its own. Returns "" or
  // why the script could not be replaced (the user's stays as it was).
  std::string keepSavedSettings() const;
  // Whether what the plug-in saves outlives the call.
  bool persistent() const { return persistent_; }
  // Why the user's settings folder could not be saved into; "" when it can
  // be, or for a private folder.
  const std::string& unsavableReason() const { return unsavableReason_; }
  // The user's folder (empty for a private one).
  const std::filesystem::path& userFolder() const { return userFolder_; }

 private:
  void makePrivateFolder(const std::filesystem::path& seedScript);
  void makeSavingFolder();

  std::filesystem::path pluginsFolder_;
  std::filesystem::path userFolder_;
  std::filesystem::path privateFolder_;
  std::unique_ptr<SettingsLock> lock_;
  bool persistent_ = false;
  std::string unsavableReason_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_SETTINGS_PLACE_H_
