#include "cli/outputs/run_plan.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <system_error>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// Whether two run paths name one file: the same file on disk, or, when
// either is missing, the same path once made absolute and normal.
bool sameRun(const std::string& a, const std::string& b) {
  std::error_code error;
  if (fs::equivalent(a, b, error) && !error) return true;
  const fs::path left = fs::absolute(a, error).lexically_normal();
  const fs::path right = fs::absolute(b, error).lexically_normal();
  return left == right;
}

}  // namespace

std::vector<std::string> possibleOutputNames(const RunOutputNames& names) {
  // The host's VTC name is no file; it differs exactly when the CSV's does.
  std::vector<std::string> files = {names.csvName()};
  for (MapKind kind : {MapKind::kTsnr, MapKind::kLaggedAutocorrelation, MapKind::kOutliers}) {
    files.push_back(names.mapName(kind));
    files.push_back(names.mapSidecarName(kind));
  }
  files.push_back(names.timeseriesName());
  files.push_back(names.timeseriesSidecarName());
  files.push_back(names.iqmName());
  files.push_back(names.brainMaskName());
  files.push_back(names.reportName());
  return files;
}

RunPlan planRuns(const std::vector<std::string>& givenRuns, const std::vector<std::string>& mdmRuns,
                 const fs::path& outFolder, const fs::path& vtcFolder) {
  RunPlan plan;
  plan.outFolder = outFolder;
  plan.givenCount = givenRuns.size();
  std::vector<std::string> all = givenRuns;
  all.insert(all.end(), mdmRuns.begin(), mdmRuns.end());
  if (all.empty()) {
    throw inputError("no run given: name one or more NIfTI files, or an MDM file with --mdm");
  }
  if (all.size() > kMaxRuns) {
    throw inputError(std::to_string(all.size()) + " runs given; the plug-in takes at most " +
                     std::to_string(kMaxRuns) + " in one call");
  }
  std::map<std::string, std::string> byOutputName;  // file name -> run
  std::size_t listLength = 0;
  for (const std::string& runPath : all) {
    PlannedRun run;
    run.runPath = runPath;
    run.names = outputNamesFor(runPath);
    for (const PlannedRun& earlier : plan.runs) {
      if (sameRun(earlier.runPath, runPath)) {
        throw inputError(runPath + ": the run is given twice (also as " + earlier.runPath +
                         "); name each run once");
      }
    }
    for (const std::string& name : possibleOutputNames(run.names)) {
      auto [previous, inserted] = byOutputName.emplace(name, runPath);
      if (!inserted && previous->second != runPath) {
        throw inputError(runPath + " and " + previous->second + ": both runs would write " + name +
                         ", so their outputs would overwrite each other; run "
                         "them with different --out folders");
      }
    }
    run.vtcPath = ((vtcFolder.empty() ? outFolder : vtcFolder) / run.names.vtcName())
                      .lexically_normal()
                      .string();
    if (run.vtcPath.find_first_of("\"\n\r") != std::string::npos) {
      throw inputError(run.vtcPath +
                       ": a quote or line break in the output path cannot "
                       "pass through the plug-in's file list");
    }
    if (run.vtcPath.size() > kMaxVtcPathLength) {
      throw inputError(run.vtcPath + ": the path is longer than the " +
                       std::to_string(kMaxVtcPathLength) +
                       " characters the plug-in's CSV path takes; use a "
                       "shorter --out folder");
    }
    listLength += run.vtcPath.size() + (plan.runs.empty() ? 0 : 1);
    plan.runs.push_back(std::move(run));
  }
  if (listLength > kMaxFileListLength) {
    throw inputError("the file list of " + std::to_string(all.size()) + " runs takes " +
                     std::to_string(listLength) + " characters; the dialog holds at most " +
                     std::to_string(kMaxFileListLength));
  }
  return plan;
}

void prepareOutputFolder(const fs::path& outFolder) {
  std::error_code error;
  fs::create_directories(outFolder, error);
  if (error) {
    throw inputError(outFolder.string() + ": the output folder cannot be made (" + error.message() +
                     ")");
  }
  if (!fs::is_directory(outFolder, error)) {
    throw inputError(outFolder.string() + ": is not a folder");
  }
  const fs::path probe = temporaryPathFor(outFolder / "write-check");
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    throw inputError(outFolder.string() + ": the output folder is not writable (" +
                     std::strerror(errno) + ")");
  }
  ::close(fd);
  fs::remove(probe, error);
}

}  // namespace quorvel::cli
