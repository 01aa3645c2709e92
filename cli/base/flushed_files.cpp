#include "cli/base/flushed_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <system_error>
#include <thread>

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// Flushes waiting at once at most: enough for one journal commit to take
// a run's files, few enough threads for a call of many runs.
constexpr std::size_t kFlushesAtOnce = 16;

// 0 when the file or folder at `path` is on disk, else the error number.
int flushPath(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  const int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

}  // namespace

std::optional<FlushFailure> flushTogether(const std::vector<fs::path>& paths) {
  std::vector<int> errors(paths.size(), 0);
  std::atomic<std::size_t> next{0};
  auto flushSome = [&] {
    for (std::size_t i = next++; i < paths.size(); i = next++) errors[i] = flushPath(paths[i]);
  };
  std::vector<std::thread> threads;
  const std::size_t count = std::min(kFlushesAtOnce, paths.size());
  for (std::size_t t = 1; t < count; ++t) {
    try {
      threads.emplace_back(flushSome);
    } catch (const std::system_error&) {
      break;  // no more threads to be had: the ones there take the rest
    }
  }
  flushSome();
  for (std::thread& thread : threads) thread.join();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    if (errors[i] != 0) return FlushFailure{paths[i], errors[i]};
  }
  return std::nullopt;
}

}  // namespace quorvel::cli
