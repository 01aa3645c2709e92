// Flushing many files to disk at once: fsync calls made side by side are
// committed together by the filesystem's journal, where one after another
// each waits for a commit of its own (about 3.5 ms each on this project's
// machines, 13 files a run).
#ifndef QUORVEL_CLI_BASE_FLUSHED_FILES_H_
#define QUORVEL_CLI_BASE_FLUSHED_FILES_H_

#include <filesystem>
#include <optional>
#include <vector>

namespace quorvel::cli {

// A file that could not be flushed, with the error number of the failure.
struct FlushFailure {
  std::filesystem::path path;
  int error = 0;
};

// Flushes every file or folder of `paths` to disk, several at a time on
// threads of their own that only wait for the disk. Returns the first of
// `paths` (in their order) that could not be opened or flushed.
std::optional<FlushFailure> flushTogether(const std::vector<std::filesystem::path>& paths);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_FLUSHED_FILES_H_
