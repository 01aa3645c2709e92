#include "cli/base/atomic_file_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <utility>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// Bytes gathered before they go to the file: few system calls for a table
// of short lines, and little memory for any length.
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;

// True when the file open as `fd` holds exactly `expected` from `offset` on.
bool holdsAt(int fd, std::size_t offset, std::string_view expected) {
  const std::unique_ptr<char[]> buffer(new char[kBufferBytes]);
  std::size_t checked = 0;
  while (checked < expected.size()) {
    const std::size_t wanted = std::min(kBufferBytes, expected.size() - checked);
    const ssize_t got = ::pread(fd, buffer.get(), wanted, static_cast<off_t>(offset + checked));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    const std::size_t count = static_cast<std::size_t>(got);
    if (std::memcmp(buffer.get(), expected.data() + checked, count) != 0) return false;
    checked += count;
  }
  return true;
}

}  // namespace

AtomicFileStream::AtomicFileStream(fs::path finalPath, FileCheck check)
    : finalPath_(std::move(finalPath)), temporary_(temporaryPathFor(finalPath_)), check_(check) {
  // A leftover of an earlier process with this id, or a link planted under
  // the temporary name, goes first: the bytes land in a new file only.
  ::unlink(temporary_.c_str());
  const int flags = (check_ == FileCheck::kReadBack ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL |
                    O_NOFOLLOW | O_CLOEXEC;
  fd_ = ::open(temporary_.c_str(), flags, 0644);
  if (fd_ < 0) fail("create", errno);
}

AtomicFileStream::~AtomicFileStream() {
  if (fd_ < 0) return;
  ::close(fd_);
  std::error_code ignored;
  fs::remove(temporary_, ignored);
}

void AtomicFileStream::write(std::string_view bytes) {
  if (buffer_.size() + bytes.size() > kBufferBytes) drain();
  // A large piece goes out as it is, not copied into the buffer first.
  if (bytes.size() >= kBufferBytes) {
    writeOut(bytes);
  } else {
    buffer_.append(bytes);
  }
}

void AtomicFileStream::drain() {
  writeOut(buffer_);
  buffer_.clear();
}

void AtomicFileStream::writeOut(std::string_view bytes) {
  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t count = ::write(fd_, data, left);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) fail("write", count < 0 ? errno : ENOSPC);
    data += count;
    left -= static_cast<std::size_t>(count);
  }
  if (check_ == FileCheck::kReadBack && !holdsAt(fd_, written_, bytes)) {
    fail("it did not read back as written", 0);
  }
  written_ += bytes.size();
}

void AtomicFileStream::commit() {
  drain();
  if (check_ == FileCheck::kSync && ::fsync(fd_) != 0) fail("sync", errno);
  if (check_ == FileCheck::kReadBack) {
    // Nothing beyond what was written: the file ends where the bytes do.
    struct stat facts {};
    if (::fstat(fd_, &facts) != 0 || static_cast<std::size_t>(facts.st_size) != written_) {
      fail("it did not read back as written", 0);
    }
  }
  if (::close(std::exchange(fd_, -1)) != 0) fail("close", errno);
  commitTemporaryFile(temporary_, finalPath_);
}

void AtomicFileStream::fail(const std::string& step, int savedErrno) {
  if (fd_ >= 0) ::close(std::exchange(fd_, -1));
  std::error_code ignored;
  fs::remove(temporary_, ignored);
  throw runError(finalPath_.string() + ": cannot be written (" + step +
                 (savedErrno ? std::string(": ") + std::strerror(savedErrno) : "") + ")");
}

}  // namespace quorvel::cli
