#include "cli/bids/study_report.h"

#include <cmath>
#include <system_error>

#include "cli/base/atomic_file.h"
#include "cli/bids/iqm_columns.h"

namespace quorvel::cli::report {
namespace fs = std::filesystem;
namespace {

std::string descriptionOf(const std::string& iqm) {
  for (const IqmColumn& column : knownIqmColumns()) {
    if (column.name == iqm) return column.longName + ": " + column.description;
  }
  return iqm;
}

}  // namespace

StudyPageInput studyPageInputFor(const GroupTable& table, const fs::path& outFolder) {
  StudyPageInput input;
  input.title = fs::absolute(outFolder).lexically_normal().string();
  input.entityColumns = table.entityColumns;
  input.flagRule =
      "A red cell lies below Q1 - 1.5 IQR or above Q3 + 1.5 IQR of the same number over "
      "the runs of the same task and acquisition (judged when at least 4 of them have a "
      "value).";
  for (const GroupRow& row : table.rows) {
    StudyRun run;
    run.name = row.entitiesText;
    run.group = comparableGroup(row);
    for (const std::string& entity : table.entityColumns)
      run.entities.push_back(row.entity(entity));
    const fs::path page = row.outputFolder / (row.entitiesText + "_desc-qc_report.html");
    std::error_code error;
    if (fs::is_regular_file(outFolder / page, error)) run.pageLink = page.generic_string();
    input.runs.push_back(std::move(run));
  }
  for (const std::string& iqm : table.iqmColumns) {
    StudyNumber number;
    number.key = iqm;
    number.description = descriptionOf(iqm);
    for (const GroupRow& row : table.rows) {
      const auto value = row.iqms.find(iqm);
      number.values.push_back(value != row.iqms.end() && value->second ? *value->second
                                                                       : std::nan(""));
      const auto flag = row.flags.find(iqm);
      number.flagged.push_back(flag != row.flags.end() && flag->second && *flag->second);
    }
    for (const auto& [group, byIqm] : table.fences) {
      const auto fences = byIqm.find(iqm);
      if (fences != byIqm.end()) {
        number.fences.push_back({group, fences->second.lower, fences->second.upper});
      }
    }
    input.numbers.push_back(std::move(number));
  }
  return input;
}

std::string writeStudyReport(const GroupTable& table, const fs::path& outFolder) {
  const fs::path path = outFolder / kStudyReportName;
  writeFileAtomically(path, studyPageHtml(studyPageInputFor(table, outFolder)));
  return path.string();
}

}  // namespace quorvel::cli::report
