#include "cli/base/temporary_folder.h"

#include <stdlib.h>

#include <system_error>

#include "cli/base/cli_error.h"

namespace quorvel::cli {

namespace fs = std::filesystem;

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw runError("cannot make a temporary folder in " + fs::temp_directory_path().string());
  }
  path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace quorvel::cli
