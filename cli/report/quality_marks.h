// Which of a run's quality numbers the report marks, and the findings and
// warnings it states in words.
#ifndef QUORVEL_CLI_REPORT_QUALITY_MARKS_H_
#define QUORVEL_CLI_REPORT_QUALITY_MARKS_H_

#include <string>
#include <vector>

#include "cli/quality/run_quality.h"
#include "cli/report/run_page.h"

namespace quorvel::cli::report {

// A volume with more than this fraction of the analysed voxels outlying is
// marked: the share at which censoring volumes for outliers is common.
constexpr double kOutlierFractionLimit = 0.05;
// A standardised DVARS above this marks a volume: a change between volumes
// half as large again as the noise explains.
constexpr double kStdDvarsLimit = 1.5;
// A median TSNR below this is poor for BOLD work.
constexpr double kTsnrMedianLimit = 40.0;
// Fewer analysed voxels than this share of the grid suggests samples on a
// scale that leaves most of the brain under the intensity floor of 100.
constexpr double kAnalysedFractionLimit = 0.05;

// The numbers of the run's IQM file, each with its threshold and mark.
std::vector<QualityNumber> qualityNumbers(const RunQuality& quality);

// One sentence per finding: the marked volumes of each trace with a
// threshold, the spikes, and the median TSNR against its threshold.
std::vector<std::string> verdictLines(const RunQuality& quality, const std::vector<Trace>& traces);

// A warning when few voxels are above the intensity floor (none otherwise).
std::vector<std::string> floorWarnings(const RunQuality& quality);

// "10, 31-34 and 72" for 1-based volume numbers in increasing order.
std::string volumeRanges(const std::vector<int>& volumes);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_QUALITY_MARKS_H_
