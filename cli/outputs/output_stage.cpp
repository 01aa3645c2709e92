#include "cli/outputs/output_stage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/base/flushed_files.h"
#include "cli/outputs/output_names.h"
#include "cli/outputs/sidecars.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// Names of quorvel's own temporary files, which are never outputs.
bool isTemporaryName(const std::string& name) { return name.rfind(".quorvel-", 0) == 0; }

// Flushes the file or folder at `path` to disk; false when it cannot.
bool syncPath(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

// "<folder>/" as lexically_normal writes paths inside `folder`, "" for ".".
std::string prefixOf(const fs::path& folder) {
  const std::string parent = (folder / "x").lexically_normal().parent_path().string();
  if (parent.empty()) return "";
  return parent.back() == '/' ? parent : parent + "/";
}

}  // namespace

std::string stagingFolderName() { return processTemporaryName(); }

void moveStagedFiles(const fs::path& staged, const fs::path& outFolder, const StepHook& atStep) {
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(staged, error)) {
    const std::string name = entry.path().filename().string();
    if (isTemporaryName(name)) continue;
    const fs::path target = outFolder / name;
    if (name == kDatasetDescriptionName && !mayReplaceDatasetDescription(target)) continue;
    std::error_code moved;
    fs::rename(entry.path(), target, moved);
    if (moved) {
      throw runError(target.string() + ": cannot be put in place (" + moved.message() + ")");
    }
    reachStep(atStep, "move");
  }
  if (error) {
    throw runError(staged.string() + ": the staged outputs cannot be listed (" + error.message() +
                   ")");
  }
  syncPath(outFolder);
}

OutputStage::OutputStage(const fs::path& outFolder)
    : outFolder_(outFolder), folder_(outFolder / stagingFolderName()) {
  stagedPrefix_ = prefixOf(folder_);
  finalPrefix_ = prefixOf(outFolder_);
  std::error_code error;
  fs::remove_all(folder_, error);
  if (::mkdir(folder_.c_str(), 0700) != 0) {
    throw runError(folder_.string() + ": the staging folder for the outputs cannot be made (" +
                   std::strerror(errno) + ")");
  }
}

OutputStage::~OutputStage() {
  std::error_code ignored;
  fs::remove_all(folder_, ignored);
}

std::string OutputStage::withFinalPaths(std::string text) const {
  for (std::string::size_type at = text.find(stagedPrefix_); at != std::string::npos;
       at = text.find(stagedPrefix_, at + finalPrefix_.size())) {
    text.replace(at, stagedPrefix_.size(), finalPrefix_);
  }
  return text;
}

void OutputStage::commit(const StepHook& atStep) {
  // Every byte is on disk before the first file is in place.
  std::error_code error;
  std::vector<fs::path> staged;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
    staged.push_back(entry.path());
  }
  // The folder's entries go to disk beside the files; as before, a folder
  // that cannot be flushed (some filesystems refuse) stops nothing.
  staged.push_back(folder_);
  const std::optional<FlushFailure> failed = flushTogether(staged);
  if (failed && failed->path != folder_) {
    throw runError(failed->path.string() + ": cannot be flushed to disk (" +
                   std::strerror(failed->error) + ")");
  }
  // From this rename on, the outputs are complete: a command killed during
  // the moves below leaves a ".ready" folder that the next one finishes.
  const fs::path ready = folder_.string() + ".ready";
  fs::rename(folder_, ready, error);
  if (error) {
    throw runError(folder_.string() + ": the staged outputs cannot be marked complete (" +
                   error.message() + ")");
  }
  folder_ = ready;
  syncPath(outFolder_);
  reachStep(atStep, "commit");
  moveStagedFiles(folder_, outFolder_, atStep);
}

}  // namespace quorvel::cli
