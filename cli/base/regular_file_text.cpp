#include "cli/base/regular_file_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quorvel::cli {

FileText readRegularFile(const std::filesystem::path& path, std::uintmax_t limit) {
  // O_NONBLOCK: opening a FIFO for reading waits for a writer otherwise.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {"", std::strerror(errno), errno == ENOENT};
  FileText result;
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    result.problem = std::strerror(errno);
  } else if (!S_ISREG(status.st_mode)) {
    result.problem = "not a regular file";
  } else if (static_cast<std::uintmax_t>(status.st_size) > limit) {
    result.tooLarge = true;
  } else {
    // The file may grow while it is read: never more than `limit` bytes.
    char buffer[65536];
    for (;;) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) {
        result.problem = std::strerror(errno);
        break;
      }
      if (got == 0) break;
      if (result.text.size() + static_cast<std::size_t>(got) > limit) {
        result.tooLarge = true;
        break;
      }
      result.text.append(buffer, static_cast<std::size_t>(got));
    }
  }
  ::close(fd);
  if (result.tooLarge) result.problem = "larger than " + std::to_string(limit) + " bytes";
  if (!result.problem.empty()) result.text.clear();
  return result;
}

}  // namespace quorvel::cli
