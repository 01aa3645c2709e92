// The study page of `quorvel bids ... group`, written from the group table.
#ifndef QUORVEL_CLI_BIDS_STUDY_REPORT_H_
#define QUORVEL_CLI_BIDS_STUDY_REPORT_H_

#include <filesystem>
#include <string>

#include "cli/bids/group_table.h"
#include "cli/report/study_page.h"

namespace quorvel::cli::report {

// Name of the study page in the output folder.
constexpr const char kStudyReportName[] = "group_bold_report.html";

// The page's input: a row per run of `table`, linked to its run page when
// that page exists under `outFolder`; one strip plot per number column,
// with the fences and flags of the judged numbers.
StudyPageInput studyPageInputFor(const GroupTable& table, const std::filesystem::path& outFolder);

// Writes the study page into `outFolder` (through a temporary file) and
// returns its path as text. Throws a run error naming the file.
std::string writeStudyReport(const GroupTable& table, const std::filesystem::path& outFolder);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_BIDS_STUDY_REPORT_H_
