// The group level's table: one row per run of the participant level's
// outputs, with the run's entities, its quality numbers and the flags of
// the numbers that lie far from the study's distribution.
#ifndef QUORVEL_CLI_BIDS_GROUP_TABLE_H_
#define QUORVEL_CLI_BIDS_GROUP_TABLE_H_

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/bids/robust_fences.h"

namespace quorvel::cli {

// One run.
struct GroupRow {
  // The run's entities in file-name order: {"sub","01"}, {"task","rest"}.
  std::vector<std::pair<std::string, std::string>> entities;
  // The prefix of every output file of the run: "sub-01_ses-1_task-rest".
  std::string entitiesText;
  // The folder of its outputs, relative to the output folder: "sub-01/ses-1/func".
  std::filesystem::path outputFolder;
  std::optional<double> volumes;
  std::optional<double> repetitionTime;  // seconds
  // Every quality number by name; nullopt where the run has none (n/a).
  std::map<std::string, std::optional<double>> iqms;
  // For each judged number: whether it lies beyond the fences; nullopt
  // when the run has no value for it or too few runs have one.
  std::map<std::string, std::optional<bool>> flags;
  // The IQM file's "Parameters" as JSON text; "" when it has none.
  std::string parameters;

  // The value of entity `key`, or "n/a".
  std::string entity(const std::string& key) const;
  // The names of the numbers flagged for this run, in column order.
  std::vector<std::string> flaggedIqms(const std::vector<std::string>& columns) const;
};

// The whole table.
struct GroupTable {
  std::vector<std::string> entityColumns;  // in BIDS order, those any run has
  std::vector<std::string> iqmColumns;     // the known numbers, then others found
  std::vector<std::string> judgedIqms;     // the numbers with a flag column
  // By comparable group (comparableGroup()), then judged number, where the
  // group has enough runs with a value.
  std::map<std::string, std::map<std::string, Fences>> fences;
  std::vector<GroupRow> rows;  // in the order of their paths
  // IQM files and folders that could not be used, each with the reason.
  std::vector<std::string> problems;
  // Numbers of usable IQM files that were left out, naming the file.
  std::vector<std::string> notes;
};

// The runs judged together with `row`, named for people: its task and, when
// it has one, its acquisition ("task-rest acq-fast"), since another task
// or acquisition gives other numbers without any fault.
std::string comparableGroup(const GroupRow& row);

// Reads every "sub-*/[ses-*/]func/*_desc-qc_iqms.json" under `outFolder`
// (the participant level's outputs, nothing else) and flags the numbers
// beyond the fences of their column. A file that is not a regular JSON
// object of at most 1 MiB, or whose name holds no entities, and a folder
// that cannot be listed, are listed in `problems` and left out. Only keys
// that make well-formed, distinct columns are carried over, 64 at most.
GroupTable collectGroupTable(const std::filesystem::path& outFolder);

// Keeps only the runs whose sub/ses/task entity is among the labels given
// (an empty list keeps all), then judges the numbers again.
void keepRuns(GroupTable& table, const std::vector<std::string>& participants,
              const std::vector<std::string>& sessions, const std::vector<std::string>& tasks);

// Name of a judged number's flag column: "flag_<iqm>".
std::string flagColumnName(const std::string& iqm);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_GROUP_TABLE_H_
