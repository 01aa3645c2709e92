#include "cli/base/atomic_file.h"

#include <unistd.h>

#include <algorithm>
#include <system_error>

#include "cli/base/atomic_file_stream.h"
#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;

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
  AtomicFileStream file(finalPath, FileCheck::kSync);
  file.write(contents);
  file.commit();
}

void writeCheckedFileAtomically(const fs::path& finalPath, std::string_view contents) {
  AtomicFileStream file(finalPath, FileCheck::kReadBack);
  file.write(contents);
  file.commit();
}

}  // namespace quorvel::cli
