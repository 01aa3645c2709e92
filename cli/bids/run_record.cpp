#include "cli/bids/run_record.h"

#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/base/json_text.h"
#include "cli/base/regular_file_text.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// A record lists a run's output files: far less than this.
constexpr std::uintmax_t kMaxRecordBytes = 1 << 20;

}  // namespace

std::string runRecordName(const std::string& entitiesText) {
  return "." + entitiesText + "_quorvel-run.json";
}

std::string runRecordJson(const RunRecord& record) {
  nlohmann::ordered_json document;
  document["Run"] = record.run;
  document["Arguments"] = record.arguments;
  document["Files"] = record.files;
  return jsonFileText(document);
}

std::vector<std::string> writtenFileNames(const std::string& stderrText) {
  static const std::string kPrefix = "quorvel: wrote ";
  std::vector<std::string> names;
  std::istringstream lines(stderrText);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.compare(0, kPrefix.size(), kPrefix) == 0) {
      names.push_back(fs::path(line.substr(kPrefix.size())).filename().string());
    }
  }
  return names;
}

bool isUpToDate(const fs::path& recordFile, const RunRecord& expected,
                const std::vector<fs::path>& inputs) {
  // A record that is not a plain file of a record's size was not written
  // by quorvel: the run is analysed again.
  const FileText text = readRegularFile(recordFile, kMaxRecordBytes);
  if (!text.problem.empty()) return false;
  const nlohmann::json document = nlohmann::json::parse(text.text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) return false;
  RunRecord record;
  try {
    record.run = document.at("Run").get<std::string>();
    record.arguments = document.at("Arguments").get<std::vector<std::string>>();
    record.files = document.at("Files").get<std::vector<std::string>>();
  } catch (const nlohmann::json::exception&) {
    return false;
  }
  if (record.run != expected.run || record.arguments != expected.arguments ||
      record.files.empty()) {
    return false;
  }
  std::error_code error;
  fs::file_time_type newestInput = fs::file_time_type::min();
  for (const fs::path& input : inputs) {
    const fs::file_time_type time = fs::last_write_time(input, error);
    if (error) return false;
    if (time > newestInput) newestInput = time;
  }
  for (const std::string& name : record.files) {
    const fs::path file = recordFile.parent_path() / name;
    if (!fs::is_regular_file(file, error)) return false;
    const fs::file_time_type time = fs::last_write_time(file, error);
    if (error || !(time > newestInput)) return false;
  }
  return true;
}

}  // namespace quorvel::cli
