#include "cli/locking/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/base/cli_error.h"

namespace quorvel::cli {

FolderLock::FolderLock(const std::filesystem::path& folder, const std::string& lockName,
                       const std::string& folderKind, std::ostream& err) {
  const std::filesystem::path lockPath = folder / lockName;
  // A link planted under the lock's name is not followed.
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  // A lock file the user may only read still locks.
  if (fd_ < 0 && errno == EACCES) {
    fd_ = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  }
  if (fd_ < 0) {
    throw inputError(lockPath.string() + ": cannot open the lock of the " + folderKind + " (" +
                     std::strerror(errno) + ")");
  }
  if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) return;
  if (errno == EWOULDBLOCK) {
    err << "quorvel: waiting for another quorvel using " << folder.string() << std::endl;
  }
  while (::flock(fd_, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    const int saved = errno;
    ::close(fd_);
    fd_ = -1;
    throw inputError(lockPath.string() + ": cannot lock the " + folderKind + " (" +
                     std::strerror(saved) + ")");
  }
}

FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace quorvel::cli
