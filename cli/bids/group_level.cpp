#include "cli/bids/group_level.h"

#include <filesystem>
#include <map>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/bids/bids_entities.h"
#include "cli/bids/group_table.h"
#include "cli/bids/group_table_files.h"
#include "cli/bids/iqm_columns.h"
#include "cli/bids/study_report.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
int runGroupLevel(const BidsOptions& options, std::ostream& out, std::ostream& err) {
  const fs::path outFolder = options.outFolder;
  GroupTable table = collectGroupTable(outFolder);
  keepRuns(table, withoutPrefixes(options.participants, "sub-"),
           withoutPrefixes(options.sessions, "ses-"), withoutPrefixes(options.tasks, "task-"));
  for (const std::string& note : table.notes) err << "quorvel: " << note << "\n";
  for (const std::string& problem : table.problems) {
    err << "quorvel: " << problem << "; left out of the group table\n";
  }
  if (table.rows.empty()) {
    throw inputError(outFolder.string() + ": no run outputs (sub-*/[ses-*/]func/*" +
                     "_desc-qc_iqms.json) to collect; run the participant level first");
  }
  writeFileAtomically(outFolder / kGroupTableName, groupTableTsv(table));
  writeFileAtomically(outFolder / kGroupDictionaryName, groupDictionaryJson(table));
  err << "quorvel: wrote " << (outFolder / kGroupTableName).string() << "\n"
      << "quorvel: wrote " << (outFolder / kGroupDictionaryName).string() << "\n";
  err << "quorvel: wrote " << report::writeStudyReport(table, outFolder) << "\n";

  // Runs made with other parameters than most are not alike.
  std::map<std::string, std::size_t> parameterCounts;
  for (const GroupRow& row : table.rows) ++parameterCounts[row.parameters];
  std::string usual;
  std::size_t most = 0;
  for (const auto& [text, count] : parameterCounts) {
    if (count > most) {
      most = count;
      usual = text;
    }
  }
  for (const GroupRow& row : table.rows) {
    if (row.parameters != usual) {
      err << "quorvel: warning: " << row.entitiesText
          << " was made with other parameters than most runs (" << row.parameters << " against "
          << usual << "); its numbers may not compare\n";
    }
  }

  std::size_t flaggedRuns = 0;
  bool emptyMask = false;
  for (const GroupRow& row : table.rows) {
    const std::vector<std::string> flagged = row.flaggedIqms(table.judgedIqms);
    // A run whose brain mask is empty has no standard IQM: an error.
    const auto voxels = row.iqms.find("brain_mask_voxels");
    if (voxels != row.iqms.end() && voxels->second && *voxels->second == 0) {
      err << "quorvel: " << (outFolder / row.outputFolder / row.entitiesText).string()
          << kIqmFileSuffix << ": the brain mask is empty, so the run has no standard IQM\n";
      emptyMask = true;
    }
    if (flagged.empty()) continue;
    ++flaggedRuns;
    out << row.entitiesText << ": far from the study in";
    for (std::size_t i = 0; i < flagged.size(); ++i) out << (i ? ", " : " ") << flagged[i];
    out << "\n";
  }
  out << table.rows.size() << (table.rows.size() == 1 ? " run, " : " runs, ") << flaggedRuns
      << " with numbers beyond the quartiles by 1.5 IQR within their task and acquisition\n";
  return table.problems.empty() && !emptyMask ? kExitSuccess : kExitRunFailed;
}

}  // namespace quorvel::cli
