#include "cli/settings/install_paths.h"

#include <system_error>

#include "cli/base/cli_error.h"
#include "host/dialog_contract.h"

namespace quorvel::cli {
namespace fs = std::filesystem;

fs::path executableFolder() {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) {
    throw runError("cannot find the folder of the quorvel executable (" + error.message() + ")");
  }
  return self.parent_path();
}

fs::path pluginLibraryPath() { return executableFolder() / "Quorvel1_2.so"; }

fs::path installedScriptPath() { return executableFolder() / kGuiScriptName; }

}  // namespace quorvel::cli
