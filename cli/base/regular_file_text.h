// Whole-file reads of what a call is handed or finds on disk, safe against
// files that are not files: a FIFO would block the call forever, a device
// such as /dev/zero would fill the memory, and a huge file would take it.
#ifndef QUORVEL_CLI_BASE_REGULAR_FILE_TEXT_H_
#define QUORVEL_CLI_BASE_REGULAR_FILE_TEXT_H_

#include <cstdint>
#include <filesystem>
#include <string>

namespace quorvel::cli {

// What a read gave: the file's bytes, or why there are none.
struct FileText {
  std::string text;
  // "" when `text` is the whole file; otherwise the reason, without the
  // file's name: "not a regular file", "larger than 1048576 bytes", or the
  // system's reason ("No such file or directory").
  std::string problem;
  bool missing = false;   // nothing is at the path
  bool tooLarge = false;  // more than the limit
};

// The bytes of the regular file at `path` (through links), refusing any
// other kind of file without blocking, and files of more than `limit` bytes.
FileText readRegularFile(const std::filesystem::path& path, std::uintmax_t limit);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_REGULAR_FILE_TEXT_H_
