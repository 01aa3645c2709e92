#include "cli/commands/mdm_file.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "cli/commands/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;

std::vector<std::string> readMdmRunPaths(const std::string& mdmPath) {
  std::error_code error;
  if (!fs::exists(mdmPath, error)) {
    throw inputError(mdmPath + ": no such MDM file");
  }
  std::ifstream in(mdmPath);
  if (!in || fs::is_directory(mdmPath, error)) {
    throw inputError(mdmPath + ": the MDM file cannot be opened for reading");
  }
  const fs::path folder = fs::path(mdmPath).parent_path();
  std::vector<std::string> runs;
  std::vector<std::string> missing;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != '"') continue;
    std::string::size_type close = line.find('"', 1);
    if (close == std::string::npos || close == 1) continue;
    fs::path run = line.substr(1, close - 1);
    if (run.is_relative()) run = folder / run;
    if (!fs::is_regular_file(run, error)) missing.push_back(run.string());
    runs.push_back(run.string());
  }
  if (in.bad()) {
    throw inputError(mdmPath + ": the MDM file could not be read to its end");
  }
  if (!missing.empty()) {
    std::string list;
    for (const std::string& run : missing) list += "\n  " + run;
    throw inputError(mdmPath + ": names " + std::to_string(missing.size()) +
                     " run(s) that do not exist:" + list);
  }
  if (runs.empty()) {
    throw inputError(mdmPath +
                     ": names no run (no line begins with a quoted path)");
  }
  return runs;
}

std::string mdmTextNaming(const std::vector<std::string>& vtcPaths) {
  std::string text =
      "FileVersion:          3\n"
      "TypeOfFunctionalData: VTC\n"
      "NrOfStudies:          " + std::to_string(vtcPaths.size()) + "\n";
  for (const std::string& path : vtcPaths) text += "\"" + path + "\"\n";
  return text;
}

}  // namespace quorvel::cli
