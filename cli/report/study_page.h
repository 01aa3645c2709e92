// The study page: every run of a study in one sortable table of quality
// numbers with links to the run pages, and one strip plot per number.
#ifndef QUORVEL_CLI_REPORT_STUDY_PAGE_H_
#define QUORVEL_CLI_REPORT_STUDY_PAGE_H_

#include <optional>
#include <string>
#include <vector>

namespace quorvel::cli::report {

// One quality number across the study.
// The fences of one group of runs judged together.
struct GroupFences {
  std::string group;  // as StudyRun::group
  std::optional<double> lower, upper;
};

struct StudyNumber {
  std::string key;             // column name, e.g. "tsnr_median"
  std::string description;     // what it is, shown on hover over the heading
  std::vector<double> values;  // one per run; NaN where undefined
  std::vector<bool> flagged;   // one per run (may be empty: none flagged)
  // Per group of runs, the fences beyond which a run is flagged, for the
  // groups that have them.
  std::vector<GroupFences> fences;
};

struct StudyRun {
  std::string name;                   // e.g. "sub-01_task-rest"
  std::vector<std::string> entities;  // one per entity column; "n/a" where absent
  std::string pageLink;               // the run page, relative to the study page; "" for none
  std::string group;                  // the runs it is judged with, e.g. "task-rest"
};

struct StudyPageInput {
  std::string title;                       // e.g. the study's output folder
  std::vector<std::string> entityColumns;  // "sub", "ses", "task", ...
  std::vector<StudyRun> runs;
  std::vector<StudyNumber> numbers;
  std::string flagRule;  // one sentence saying when a cell is flagged
};

// The page's HTML. Every text of `input` is escaped; links are kept only
// when they are relative paths (no scheme, not absolute).
std::string studyPageHtml(const StudyPageInput& input);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_STUDY_PAGE_H_
