// Arbitrary bytes as the IQM files the group level collects: the input is
// split at NUL bytes into up to four files of four runs. Whatever they
// hold, the table keeps one header line of distinct column names and as
// many cells on every row, its dictionary is JSON, and a file is either a
// row or a problem naming it.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/bids/group_table.h"
#include "cli/bids/group_table_files.h"

namespace {

namespace fs = std::filesystem;
using namespace quorvel::cli;

void check(bool holds) {
  if (!holds) std::abort();
}

const fs::path& outFolder() {
  static const fs::path folder = [] {
    const fs::path made =
        fs::temp_directory_path() / ("quorvel-iqm-fuzz-" + std::to_string(::getpid()));
    for (const char* run : {"sub-01/func", "sub-02/ses-1/func", "sub-03/func", "sub-04/func"}) {
      fs::create_directories(made / run);
    }
    return made;
  }();
  return folder;
}

const char* const kFiles[] = {"sub-01/func/sub-01_task-rest_desc-qc_iqms.json",
                              "sub-02/ses-1/func/sub-02_ses-1_task-rest_run-1_desc-qc_iqms.json",
                              "sub-03/func/sub-03_task-rest_acq-x_desc-qc_iqms.json",
                              "sub-04/func/sub-04_task-motor_desc-qc_iqms.json"};

std::vector<std::string> cellsOf(const std::string& line) {
  std::vector<std::string> cells;
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = line.find('\t', start);
    cells.push_back(line.substr(start, end - start));
  }
  return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  for (const char* file : kFiles) {
    const std::size_t end = std::min(input.find('\0', start), input.size());
    const std::string text = start <= input.size() ? input.substr(start, end - start) : "";
    std::ofstream(outFolder() / file, std::ios::binary | std::ios::trunc) << text;
    start = end + 1;
  }

  const GroupTable table = collectGroupTable(outFolder());
  check(table.rows.size() + table.problems.size() == 4);
  for (const std::string& problem : table.problems) {
    check(problem.rfind(outFolder().string(), 0) == 0);
  }
  const std::string tsv = groupTableTsv(table);
  check(!tsv.empty() && tsv.back() == '\n');
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = tsv.find('\n', at)) != std::string::npos; at = end + 1) {
    lines.push_back(tsv.substr(at, end - at));
  }
  check(lines.size() == table.rows.size() + 1);
  const std::vector<std::string> header = cellsOf(lines[0]);
  check(std::set<std::string>(header.begin(), header.end()).size() == header.size());
  for (const std::string& line : lines) check(cellsOf(line).size() == header.size());
  check(!nlohmann::json::parse(groupDictionaryJson(table), nullptr, false).is_discarded());
  return 0;
}
