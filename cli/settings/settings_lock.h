// One quorvel at a time per settings folder: the plug-in rewrites the GUI
// script there at the end of every run, so two commands sharing the folder
// would race on it. The lock is an flock on "<folder>/.quorvel.lock", held
// from before the script is read until the command ends.
#ifndef QUORVEL_CLI_SETTINGS_SETTINGS_LOCK_H_
#define QUORVEL_CLI_SETTINGS_SETTINGS_LOCK_H_

#include <filesystem>
#include <ostream>

#include "cli/locking/folder_lock.h"

namespace quorvel::cli {

// Name of the lock file in the settings folder.
constexpr const char kSettingsLockName[] = ".quorvel.lock";

class SettingsLock : public FolderLock {
 public:
  // Takes the exclusive lock of `folder` (which must exist), waiting for
  // another command that holds it and saying so on `err`. Throws an input
  // error when the lock file cannot be opened at all.
  SettingsLock(const std::filesystem::path& folder, std::ostream& err)
      : FolderLock(folder, kSettingsLockName, "settings folder", err) {}
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SETTINGS_SETTINGS_LOCK_H_
