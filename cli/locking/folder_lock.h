// One quorvel at a time per folder: an exclusive flock on a lock file in
// the folder, held until the command ends. A command that finds the lock
// taken says so and waits for it.
#ifndef QUORVEL_CLI_LOCKING_FOLDER_LOCK_H_
#define QUORVEL_CLI_LOCKING_FOLDER_LOCK_H_

#include <filesystem>
#include <ostream>
#include <string>

namespace quorvel::cli {

class FolderLock {
 public:
  // Takes the exclusive lock on "<folder>/<lockName>" (the folder must
  // exist), waiting for another command that holds it and saying
  // "quorvel: waiting for another quorvel using <folder>" on `err`.
  // `folderKind` ("settings folder", "output folder") names the folder in
  // errors. Throws an input error when the lock file cannot be opened.
  FolderLock(const std::filesystem::path& folder, const std::string& lockName,
             const std::string& folderKind, std::ostream& err);
  // Releases the lock.
  ~FolderLock();

  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_LOCKING_FOLDER_LOCK_H_
