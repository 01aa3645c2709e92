#include "cli/bids/group_table.h"

#include <algorithm>
#include <set>

#include <nlohmann/json.hpp>

#include "cli/base/regular_file_text.h"
#include "cli/bids/bids_entities.h"
#include "cli/bids/iqm_columns.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// An IQM file is a few kilobytes; anything much larger is not one.
constexpr std::uintmax_t kMaxIqmFileBytes = 1 << 20;
// Numbers beyond the known ones that become columns, at most: a study's
// own additions are a handful, and each is a column of every row.
constexpr std::size_t kMostExtraColumns = 64;
constexpr std::size_t kLongestColumnName = 64;

// The sorted entries of `folder` that `keep` accepts; a folder that cannot
// be listed is added to `problems`.
template <typename Keep>
std::vector<fs::path> entriesOf(const fs::path& folder, std::vector<std::string>& problems,
                                Keep keep) {
  std::vector<fs::path> found;
  std::error_code error;
  fs::directory_iterator it(folder, error);
  for (fs::directory_iterator end; !error && it != end; it.increment(error)) {
    if (keep(*it)) found.push_back(it->path());
  }
  if (error && error != std::errc::no_such_file_or_directory) {
    problems.push_back(folder.string() + ": cannot be listed (" + error.message() + ")");
  }
  std::sort(found.begin(), found.end());
  return found;
}

// The sorted sub-folders of `folder` whose names begin with `prefix`.
std::vector<fs::path> foldersStartingWith(const fs::path& folder, const std::string& prefix,
                                          std::vector<std::string>& problems) {
  return entriesOf(folder, problems, [&](const fs::directory_entry& entry) {
    std::error_code error;
    return startsWith(entry.path().filename().string(), prefix) && entry.is_directory(error);
  });
}

// The "func" folders of the participant level's layout.
std::vector<fs::path> funcFolders(const fs::path& outFolder, std::vector<std::string>& problems) {
  std::vector<fs::path> folders;
  std::error_code error;
  for (const fs::path& subject : foldersStartingWith(outFolder, "sub-", problems)) {
    if (fs::is_directory(subject / "func", error)) folders.push_back(subject / "func");
    for (const fs::path& session : foldersStartingWith(subject, "ses-", problems)) {
      if (fs::is_directory(session / "func", error)) folders.push_back(session / "func");
    }
  }
  return folders;
}

std::optional<double> numberOf(const nlohmann::json& document, const std::string& key) {
  const auto it = document.find(key);
  if (it == document.end() || !it->is_number()) return std::nullopt;
  return it->get<double>();
}

// Whether `key` can name a column of its own: lower-case letters, digits
// and "_", led by a letter, and none of the table's fixed columns. Anything
// else would split the table's lines or repeat a column.
bool isExtraColumnName(const std::string& key) {
  if (key.empty() || key.size() > kLongestColumnName || !(key[0] >= 'a' && key[0] <= 'z')) {
    return false;
  }
  for (char c : key) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_')) return false;
  }
  return key != "volumes" && key != "repetition_time" && !startsWith(key, "flag_") &&
         key != "flag_count";
}

// Reads one IQM file into `row`; returns the reason it cannot be used, or
// "". Numbers under keys that cannot become columns are counted in
// `leftOutKeys`.
std::string readRow(const fs::path& file, const fs::path& outFolder, GroupRow& row,
                    std::set<std::string>& extraColumns, std::size_t& leftOutKeys) {
  const std::string name = file.filename().string();
  row.entitiesText = name.substr(0, name.size() - std::string(kIqmFileSuffix).size());
  const std::optional<BidsName> parsed = parseBidsName(row.entitiesText);
  if (!parsed || !parsed->suffix.empty()) return "its name holds no BIDS entities";
  row.entities = parsed->entities;
  row.outputFolder = file.parent_path().lexically_relative(outFolder);

  const FileText text = readRegularFile(file, kMaxIqmFileBytes);
  if (!text.problem.empty()) return "cannot be read (" + text.problem + ")";
  const nlohmann::json document = nlohmann::json::parse(text.text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) return "it is not a JSON object";
  row.volumes = numberOf(document, "Volumes");
  row.repetitionTime = numberOf(document, "RepetitionTime");
  if (const auto found = document.find("Parameters"); found != document.end()) {
    row.parameters = found->dump();
  }
  for (const IqmColumn& column : knownIqmColumns()) {
    row.iqms[column.name] = numberOf(document, column.name);
  }
  // Numbers beyond the known ones (lower-case keys, by the file's own
  // convention) are carried into the table as they are.
  for (const auto& [key, value] : document.items()) {
    if (key.empty() || !(key[0] >= 'a' && key[0] <= 'z')) continue;
    if (!value.is_number() && !value.is_null()) continue;
    if (row.iqms.count(key) != 0) continue;
    const bool known = extraColumns.count(key) != 0;
    if (!isExtraColumnName(key) || (!known && extraColumns.size() >= kMostExtraColumns)) {
      ++leftOutKeys;
      continue;
    }
    row.iqms[key] = numberOf(document, key);
    extraColumns.insert(key);
  }
  return "";
}

void judge(GroupTable& table) {
  table.fences.clear();
  std::map<std::string, std::vector<GroupRow*>> groups;
  for (GroupRow& row : table.rows) groups[comparableGroup(row)].push_back(&row);
  for (const std::string& iqm : table.judgedIqms) {
    for (const auto& [group, rows] : groups) {
      std::vector<double> values;
      for (const GroupRow* row : rows) {
        const auto it = row->iqms.find(iqm);
        if (it != row->iqms.end() && it->second) values.push_back(*it->second);
      }
      const std::optional<Fences> fences = tukeyFences(values);
      if (fences) table.fences[group][iqm] = *fences;
      for (GroupRow* row : rows) {
        const auto it = row->iqms.find(iqm);
        const bool hasValue = it != row->iqms.end() && it->second;
        row->flags[iqm] =
            fences && hasValue ? std::optional<bool>(fences->outside(*it->second)) : std::nullopt;
      }
    }
  }
  // An empty brain mask flags its run on its own, whatever the others'.
  const auto maskVoxels = [](const GroupRow& row) {
    const auto it = row.iqms.find("brain_mask_voxels");
    return it != row.iqms.end() ? it->second : std::nullopt;
  };
  const bool anyEmpty = std::any_of(table.rows.begin(), table.rows.end(), [&](const GroupRow& row) {
    return maskVoxels(row) && *maskVoxels(row) == 0;
  });
  if (!anyEmpty) return;
  if (std::find(table.judgedIqms.begin(), table.judgedIqms.end(), "brain_mask_voxels") ==
      table.judgedIqms.end()) {
    table.judgedIqms.push_back("brain_mask_voxels");
  }
  for (GroupRow& row : table.rows) {
    const std::optional<double> voxels = maskVoxels(row);
    row.flags["brain_mask_voxels"] = voxels ? std::optional<bool>(*voxels == 0) : std::nullopt;
  }
}

bool matches(const GroupRow& row, const std::string& key, const std::vector<std::string>& labels) {
  if (labels.empty()) return true;
  const std::string value = row.entity(key);
  return std::find(labels.begin(), labels.end(), value) != labels.end();
}

}  // namespace

std::string comparableGroup(const GroupRow& row) {
  const std::string acquisition = row.entity("acq");
  return "task-" + row.entity("task") + (acquisition == "n/a" ? "" : " acq-" + acquisition);
}

std::string GroupRow::entity(const std::string& key) const {
  for (const auto& [k, v] : entities) {
    if (k == key) return v;
  }
  return "n/a";
}

std::vector<std::string> GroupRow::flaggedIqms(const std::vector<std::string>& columns) const {
  std::vector<std::string> flagged;
  for (const std::string& iqm : columns) {
    const auto it = flags.find(iqm);
    if (it != flags.end() && it->second.value_or(false)) flagged.push_back(iqm);
  }
  return flagged;
}

std::string flagColumnName(const std::string& iqm) { return "flag_" + iqm; }

GroupTable collectGroupTable(const fs::path& outFolder) {
  GroupTable table;
  std::set<std::string> entityKeys, extraColumns;
  for (const fs::path& folder : funcFolders(outFolder, table.problems)) {
    const std::vector<fs::path> files =
        entriesOf(folder, table.problems, [](const fs::directory_entry& entry) {
          const std::string name = entry.path().filename().string();
          return endsWith(name, kIqmFileSuffix) && name[0] != '.';
        });
    for (const fs::path& file : files) {
      GroupRow row;
      std::size_t leftOutKeys = 0;
      const std::string problem = readRow(file, outFolder, row, extraColumns, leftOutKeys);
      if (!problem.empty()) {
        table.problems.push_back(file.string() + ": " + problem);
        continue;
      }
      if (leftOutKeys > 0) {
        table.notes.push_back(file.string() + ": " + std::to_string(leftOutKeys) +
                              " number(s) left out of the table, under keys that are not column "
                              "names (lower-case letters, digits and _, at most " +
                              std::to_string(kLongestColumnName) +
                              " characters, none of the table's own) or beyond the " +
                              std::to_string(kMostExtraColumns) + " columns the table adds");
      }
      for (const auto& entity : row.entities) entityKeys.insert(entity.first);
      table.rows.push_back(std::move(row));
    }
  }
  // A number named like an entity would repeat that column.
  for (const std::string& key : entityKeys) {
    if (extraColumns.erase(key) == 0) continue;
    table.notes.push_back(outFolder.string() + ": the number \"" + key +
                          "\" of some IQM files is named like an entity column; left out");
    for (GroupRow& row : table.rows) row.iqms.erase(key);
  }
  table.entityColumns.assign(entityKeys.begin(), entityKeys.end());
  sortEntityKeys(table.entityColumns);
  for (const IqmColumn& column : knownIqmColumns()) {
    table.iqmColumns.push_back(column.name);
    if (column.flagged) table.judgedIqms.push_back(column.name);
  }
  for (const std::string& extra : extraColumns) {
    table.iqmColumns.push_back(extra);
    table.judgedIqms.push_back(extra);
  }
  for (GroupRow& row : table.rows) {
    for (const std::string& iqm : table.iqmColumns) row.iqms.emplace(iqm, std::nullopt);
  }
  judge(table);
  return table;
}

void keepRuns(GroupTable& table, const std::vector<std::string>& participants,
              const std::vector<std::string>& sessions, const std::vector<std::string>& tasks) {
  table.rows.erase(std::remove_if(table.rows.begin(), table.rows.end(),
                                  [&](const GroupRow& row) {
                                    return !matches(row, "sub", participants) ||
                                           !matches(row, "ses", sessions) ||
                                           !matches(row, "task", tasks);
                                  }),
                   table.rows.end());
  judge(table);
}

}  // namespace quorvel::cli
