#include "cli/bids/group_table_files.h"

#include <charconv>
#include <cmath>

#include <nlohmann/json.hpp>

#include "cli/base/json_text.h"
#include "cli/bids/iqm_columns.h"

namespace quorvel::cli {
namespace {

using nlohmann::ordered_json;

// Whole numbers without a decimal point, others as the shortest text that
// reads back as the same double.
std::string numberText(const std::optional<double>& value) {
  if (!value || !std::isfinite(*value)) return "n/a";
  char text[64];
  const bool whole = std::fabs(*value) < 1e15 && *value == std::floor(*value);
  const auto result = whole
                          ? std::to_chars(text, text + sizeof text, static_cast<long long>(*value))
                          : std::to_chars(text, text + sizeof text, *value);
  return std::string(text, result.ptr);
}

const std::map<std::string, std::string>& entityNames() {
  static const std::map<std::string, std::string> names = {{"sub", "Participant"},
                                                           {"ses", "Session"},
                                                           {"task", "Task"},
                                                           {"acq", "Acquisition"},
                                                           {"ce", "Contrast enhancing agent"},
                                                           {"rec", "Reconstruction"},
                                                           {"dir", "Phase-encoding direction"},
                                                           {"run", "Run"},
                                                           {"echo", "Echo"},
                                                           {"part", "Part"}};
  return names;
}

}  // namespace

std::string groupTableTsv(const GroupTable& table) {
  std::vector<std::string> header = table.entityColumns;
  header.insert(header.end(), {"volumes", "repetition_time"});
  header.insert(header.end(), table.iqmColumns.begin(), table.iqmColumns.end());
  for (const std::string& iqm : table.judgedIqms) header.push_back(flagColumnName(iqm));
  header.push_back("flag_count");

  std::string text;
  auto addLine = [&text](const std::vector<std::string>& cells) {
    for (std::size_t i = 0; i < cells.size(); ++i) text += (i ? "\t" : "") + cells[i];
    text += "\n";
  };
  addLine(header);
  for (const GroupRow& row : table.rows) {
    std::vector<std::string> cells;
    for (const std::string& key : table.entityColumns) cells.push_back(row.entity(key));
    cells.push_back(numberText(row.volumes));
    cells.push_back(numberText(row.repetitionTime));
    for (const std::string& iqm : table.iqmColumns) cells.push_back(numberText(row.iqms.at(iqm)));
    for (const std::string& iqm : table.judgedIqms) {
      const std::optional<bool>& flag = row.flags.at(iqm);
      cells.push_back(flag ? (*flag ? "1" : "0") : "n/a");
    }
    cells.push_back(std::to_string(row.flaggedIqms(table.judgedIqms).size()));
    addLine(cells);
  }
  return text;
}

std::string groupDictionaryJson(const GroupTable& table) {
  ordered_json document;
  for (const std::string& key : table.entityColumns) {
    const auto known = entityNames().find(key);
    document[key] = {{"LongName", known != entityNames().end() ? known->second : key + " entity"},
                     {"Description", "The run's \"" + key +
                                         "\" entity, from its file name (n/a when "
                                         "the run has none)."}};
  }
  document["volumes"] = {{"LongName", "Volumes"}, {"Description", "Number of volumes of the run."}};
  document["repetition_time"] = {
      {"LongName", "Repetition time"},
      {"Description", "Time between volumes, from the run's BIDS sidecars or its header."},
      {"Units", "s"}};
  std::map<std::string, const IqmColumn*> known;
  for (const IqmColumn& column : knownIqmColumns()) known[column.name] = &column;
  for (const std::string& iqm : table.iqmColumns) {
    const auto it = known.find(iqm);
    if (it == known.end()) {
      document[iqm] = {{"Description", "Taken as it is from the runs' IQM files."}};
      continue;
    }
    document[iqm] = {{"LongName", it->second->longName}, {"Description", it->second->description}};
    if (!it->second->units.empty()) document[iqm]["Units"] = it->second->units;
  }
  for (const std::string& iqm : table.judgedIqms) {
    std::string description =
        "1 when the run's " + iqm +
        " lies below Q1 - 1.5 IQR or above Q3 + 1.5 IQR, where "
        "Q1 and Q3 are the quartiles (linear interpolation between order statistics) of " +
        iqm +
        " over the runs of this table with the same task and acquisition that have one, and "
        "IQR = Q3 - Q1; 0 otherwise. n/a when the run has no value or fewer than " +
        std::to_string(kFewestRunsToFlag) + " such runs have one.";
    for (const auto& [group, byIqm] : table.fences) {
      const auto fences = byIqm.find(iqm);
      if (fences == byIqm.end()) continue;
      description += " " + group + ": " + std::to_string(fences->second.count) +
                     " runs, Q1 = " + numberText(fences->second.q1) +
                     ", Q3 = " + numberText(fences->second.q3) + ", fences " +
                     numberText(fences->second.lower) + " and " + numberText(fences->second.upper) +
                     ".";
    }
    document[flagColumnName(iqm)] = {
        {"LongName", "Far from the study: " + iqm},
        {"Description", description},
        {"Levels", {{"0", "within the fences"}, {"1", "beyond the fences"}}}};
  }
  document["flag_count"] = {
      {"LongName", "Flagged numbers"},
      {"Description", "How many of the run's numbers are flagged (the flag_ columns set to 1)."}};
  return jsonFileText(document);
}

}  // namespace quorvel::cli
