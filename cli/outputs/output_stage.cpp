#include "cli/outputs/output_stage.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/base/flushed_files.h"
#include "cli/base/regular_file_text.h"
#include "cli/outputs/output_checks.h"
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

// Whether `path` is, itself and not through a link, of `type` (S_IFREG,
// S_IFDIR) and owned by this process's user, with no other name.
bool isOwn(const fs::path& path, mode_t type) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && (status.st_mode & S_IFMT) == type &&
         status.st_uid == ::geteuid() && (type != S_IFREG || status.st_nlink == 1);
}

// The names a stage's record lists; nullopt when it cannot be read.
std::optional<std::vector<std::string>> recordedNames(const fs::path& staged) {
  const fs::path record = staged / kStagedFilesRecordName;
  if (!isOwn(record, S_IFREG)) return std::nullopt;
  const FileText text = readRegularFile(record, 1 << 20);
  if (!text.problem.empty() || (!text.text.empty() && text.text.back() != '\0')) {
    return std::nullopt;
  }
  std::vector<std::string> names;
  for (std::size_t start = 0, end; (end = text.text.find('\0', start)) != std::string::npos;
       start = end + 1) {
    names.push_back(text.text.substr(start, end - start));
  }
  return names;
}

}  // namespace

bool finishLeftoverStage(const fs::path& staged, const fs::path& outFolder,
                         const std::vector<std::string>& inputs, std::ostream& err) {
  const std::optional<std::vector<std::string>> names =
      isOwn(staged, S_IFDIR) ? recordedNames(staged) : std::nullopt;
  if (!names) {
    err << "quorvel: " << staged.string()
        << ": left as it is: a stopped call's outputs, but not a folder of this user with a "
           "record of what quorvel staged there; look into it and remove it\n";
    return false;
  }
  for (const std::string& name : *names) {
    const bool plainName = !name.empty() && name != "." && name != ".." &&
                           name.find('/') == std::string::npos && !isTemporaryName(name);
    const fs::path file = staged / name, target = outFolder / name;
    std::string refused;
    if (!plainName) {
      refused = "not a plain file name";
    } else if (!isOwn(file, S_IFREG)) {
      refused = "not a regular file of this user";
    } else if (isOneOfInputs(target, inputs)) {
      refused = "it would replace an input of this call";
    }
    if (!refused.empty()) {
      err << "quorvel: " << shownAsText(file.string()) << ": not put in place (" << refused
          << ")\n";
      continue;
    }
    if (name == kDatasetDescriptionName && !mayReplaceDatasetDescription(target)) continue;
    std::error_code moved;
    fs::rename(file, target, moved);
    if (moved) {
      throw runError(target.string() + ": cannot be put in place (" + moved.message() + ")");
    }
  }
  syncPath(outFolder);
  return true;
}

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
  // Every byte is on disk before the first file is in place, the record of
  // what is staged among them.
  std::error_code error;
  std::vector<fs::path> staged;
  std::string record;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_, error)) {
    staged.push_back(entry.path());
    const std::string name = entry.path().filename().string();
    if (!isTemporaryName(name)) record += name + '\0';
  }
  if (error) {
    throw runError(folder_.string() + ": the staged outputs cannot be listed (" + error.message() +
                   ")");
  }
  {
    std::ofstream out(folder_ / kStagedFilesRecordName, std::ios::binary);
    out << record;
    out.close();
    if (!out) {
      throw runError((folder_ / kStagedFilesRecordName).string() +
                     ": the record of the staged outputs cannot be written");
    }
  }
  staged.push_back(folder_ / kStagedFilesRecordName);
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
