#include "cli/settings/settings_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "cli/commands/cli_error.h"

namespace quorvel::cli {

SettingsLock::SettingsLock(const std::filesystem::path& folder, std::ostream& err) {
  const std::filesystem::path lockPath = folder / kSettingsLockName;
  // A link planted under the lock's name is not followed.
  fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  // A lock file the user may only read still locks.
  if (fd_ < 0 && errno == EACCES) {
    fd_ = ::open(lockPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  }
  if (fd_ < 0) {
    throw inputError(lockPath.string() + ": cannot open the lock of the settings folder (" +
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
    throw inputError(lockPath.string() + ": cannot lock the settings folder (" +
                     std::strerror(saved) + ")");
  }
}

SettingsLock::~SettingsLock() {
  if (fd_ >= 0) ::close(fd_);  // closing the last descriptor releases the lock
}

}  // namespace quorvel::cli
