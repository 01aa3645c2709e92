#include "cli/outputs/output_checks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <system_error>

#include "cli/base/cli_error.h"
#include "cli/outputs/output_names.h"
#include "cli/outputs/sidecars.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// The files a path names: the entry itself and, through a link, its target.
std::vector<std::pair<dev_t, ino_t>> filesAt(const fs::path& path) {
  std::vector<std::pair<dev_t, ino_t>> files;
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) files.emplace_back(status.st_dev, status.st_ino);
  if (::stat(path.c_str(), &status) == 0) files.emplace_back(status.st_dev, status.st_ino);
  return files;
}

fs::path normalisedPath(const fs::path& path) {
  std::error_code error;
  fs::path normal = fs::weakly_canonical(fs::absolute(path, error), error);
  return error ? fs::absolute(path, error).lexically_normal() : normal;
}

bool sameFile(const fs::path& output, const std::string& input) {
  const auto outputFiles = filesAt(output);
  const auto inputFiles = filesAt(input);
  if (!outputFiles.empty() && !inputFiles.empty()) {
    for (const auto& file : outputFiles) {
      for (const auto& other : inputFiles) {
        if (file == other) return true;
      }
    }
    return false;
  }
  return normalisedPath(output) == normalisedPath(input);
}

}  // namespace

std::vector<PlannedOutput> plannedOutputs(const RunPlan& plan) {
  std::vector<PlannedOutput> outputs;
  for (const PlannedRun& run : plan.runs) {
    for (const std::string& name : possibleOutputNames(run.names)) {
      outputs.push_back({plan.outFolder / name, run.runPath});
    }
  }
  const std::string logName = plan.logName.empty() ? callLogFileName() : plan.logName;
  for (const std::string& name : {logName, std::string(kDatasetDescriptionName)}) {
    outputs.push_back({plan.outFolder / name, ""});
  }
  return outputs;
}

std::size_t longestFileName(const fs::path& folder) {
  std::error_code error;
  fs::path existing = fs::absolute(folder, error);
  while (!fs::exists(existing, error) && existing.has_relative_path()) {
    existing = existing.parent_path();
  }
  const long limit = ::pathconf(existing.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : 255;
}

void checkOutputNamesAreOwn(const std::vector<PlannedOutput>& outputs) {
  std::map<std::string, const PlannedOutput*> byName;
  for (const PlannedOutput& output : outputs) {
    const std::string name = output.path.filename().string();
    if (name.rfind(".quorvel-", 0) == 0) {
      throw inputError(output.path.string() + ": " +
                       (output.runPath.empty() ? std::string("this call") : output.runPath) +
                       " would write a file named like quorvel's own working files (.quorvel-*), "
                       "which quorvel replaces and removes; choose another name");
    }
    const auto [earlier, added] = byName.emplace(name, &output);
    if (added) continue;
    // Runs never share an output name, so one of the two is the log: the
    // first of the folder-wide outputs.
    const PlannedOutput& other = earlier->second->runPath.empty() ? output : *earlier->second;
    throw inputError("--log-name " + name + ": " + output.path.string() + " is also " +
                     (other.runPath.empty() ? std::string("the folder's description of the outputs")
                                            : "an output of " + other.runPath) +
                     ", which the log would replace; choose another name");
  }
}

bool isOneOfInputs(const fs::path& path, const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (sameFile(path, input)) return true;
  }
  return false;
}

void checkOutputsSpareInputs(const std::vector<PlannedOutput>& outputs,
                             const std::vector<std::string>& inputs) {
  for (const PlannedOutput& output : outputs) {
    for (const std::string& input : inputs) {
      if (!sameFile(output.path, input)) continue;
      const std::string writer = output.runPath.empty() ? std::string("this call") : output.runPath;
      throw inputError(writer + ": would write " + output.path.string() + ", which is the input " +
                       input +
                       "; an output never replaces an input, so choose another "
                       "--out folder");
    }
  }
}

void checkOutputTargets(const std::vector<PlannedOutput>& outputs, const fs::path& outFolder) {
  const std::size_t nameLimit = longestFileName(outFolder);
  for (const PlannedOutput& output : outputs) {
    const std::string name = output.path.filename().string();
    if (name.size() > nameLimit) {
      throw inputError(output.path.string() + ": the file name is " + std::to_string(name.size()) +
                       " bytes long, and the file "
                       "system of the output folder takes at most " +
                       std::to_string(nameLimit) + "; rename " +
                       (output.runPath.empty() ? std::string("the output") : output.runPath) +
                       " to a shorter name");
    }
    if (name == kDatasetDescriptionName) continue;
    std::error_code error;
    const fs::file_status status = fs::symlink_status(output.path, error);
    if (status.type() == fs::file_type::not_found) continue;
    if (error) {
      throw inputError(output.path.string() + ": cannot be checked (" + error.message() + ")");
    }
    if (status.type() == fs::file_type::regular) continue;
    const char* what = status.type() == fs::file_type::symlink     ? "a link"
                       : status.type() == fs::file_type::directory ? "a folder"
                                                                   : "not a regular file";
    throw inputError(
        output.path.string() + ": is " + what + ", where quorvel would put " +
        (output.runPath.empty() ? std::string("an output") : output.runPath + "'s output") +
        "; remove it or choose another --out folder");
  }
}

void checkRunNamesAreText(const RunPlan& plan) {
  // The bytes that are not UTF-8 are shown as U+FFFD in the messages.
  for (const PlannedRun& run : plan.runs) {
    if (!isJsonText(run.runPath)) {
      throw inputError(shownAsText(run.runPath) +
                       ": the path is not valid UTF-8 text, and the JSON outputs "
                       "name the run by it; rename the file or its folder");
    }
    if (!isJsonText(run.sourceName)) {
      throw inputError("--source-uri " + shownAsText(run.sourceName) +
                       ": not valid UTF-8 text, which the sidecars name the run by");
    }
  }
}

}  // namespace quorvel::cli
