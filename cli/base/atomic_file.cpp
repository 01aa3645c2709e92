#include "cli/base/atomic_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>

#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// How a temporary file is finished before its rename.
enum class Finish { kSync, kReadBack };

// True when the file open as `fd` holds exactly `contents`.
bool holdsExactly(int fd, std::string_view contents) {
  constexpr std::size_t kChunk = std::size_t{1} << 20;
  const std::unique_ptr<char[]> buffer(new char[kChunk]);
  std::size_t offset = 0;
  for (;;) {
    const ssize_t got = ::pread(fd, buffer.get(), kChunk, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return offset == contents.size();
    const std::size_t count = static_cast<std::size_t>(got);
    if (offset + count > contents.size() ||
        std::memcmp(buffer.get(), contents.data() + offset, count) != 0) {
      return false;
    }
    offset += count;
  }
}

void writeThroughTemporary(const fs::path& finalPath, std::string_view contents, Finish finish) {
  const fs::path temporary = temporaryPathFor(finalPath);
  auto fail = [&](const std::string& step, int savedErrno) {
    std::string reason = step + (savedErrno ? std::string(": ") + std::strerror(savedErrno) : "");
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw runError(finalPath.string() + ": cannot be written (" + reason + ")");
  };
  // A leftover of an earlier process with this id, or a link planted under
  // the temporary name, goes first: the bytes land in a new file only.
  ::unlink(temporary.c_str());
  const int flags =
      (finish == Finish::kReadBack ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int fd = ::open(temporary.c_str(), flags, 0644);
  if (fd < 0) fail("create", errno);
  const char* data = contents.data();
  std::size_t left = contents.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      int saved = written < 0 ? errno : ENOSPC;
      ::close(fd);
      fail("write", saved);
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  if (finish == Finish::kSync && ::fsync(fd) != 0) {
    int saved = errno;
    ::close(fd);
    fail("sync", saved);
  }
  if (finish == Finish::kReadBack && !holdsExactly(fd, contents)) {
    ::close(fd);
    fail("it did not read back as written", 0);
  }
  if (::close(fd) != 0) fail("close", errno);
  commitTemporaryFile(temporary, finalPath);
}

}  // namespace

std::string processTemporaryName() { return kTemporaryPrefix + std::to_string(::getpid()); }

fs::path temporaryPathFor(const fs::path& finalPath) {
  // Only the end of a long name is kept, so that the temporary name fits
  // wherever the final name fits; one process writes a file of one name
  // at a time.
  const std::string finalName = finalPath.filename().string();
  const std::size_t kept = std::min<std::size_t>(finalName.size(), 64);
  std::string name = processTemporaryName() + "-" + finalName.substr(finalName.size() - kept);
  return finalPath.parent_path() / name;
}

void commitTemporaryFile(const fs::path& temporaryPath, const fs::path& finalPath) {
  std::error_code error;
  fs::rename(temporaryPath, finalPath, error);
  if (error) {
    // The rename's error is the one to report, not the clean-up's.
    std::error_code ignored;
    fs::remove(temporaryPath, ignored);
    throw runError(finalPath.string() + ": cannot be put in place (" + error.message() + ")");
  }
}

void writeFileAtomically(const fs::path& finalPath, const std::string& contents) {
  writeThroughTemporary(finalPath, contents, Finish::kSync);
}

void writeCheckedFileAtomically(const fs::path& finalPath, std::string_view contents) {
  writeThroughTemporary(finalPath, contents, Finish::kReadBack);
}

}  // namespace quorvel::cli
