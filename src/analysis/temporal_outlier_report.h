// The per-volume outlier and spike counts of one VTC, as a table in the
// host's log tab and as a CSV file beside the VTC.
#ifndef QUORVEL_ANALYSIS_TEMPORAL_OUTLIER_REPORT_H_
#define QUORVEL_ANALYSIS_TEMPORAL_OUTLIER_REPORT_H_

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "analysis/analysis_settings.h"
#include "host/dialog_contract.h"
#include "host/host_function_table.h"

namespace quorvel {

// The CSV path of a VTC: `vtcPath` with its last three characters replaced
// by "csv". Empty when `vtcPath` is shorter than three characters or the
// result would not fit the CSV path buffer.
std::string outlierCsvPath(const std::string& vtcPath);

// Writes the CSV text (a header line with both thresholds, then one
// "volume,outliers,spikes" line per volume) to `out`. Returns false when
// the stream failed at any point.
bool writeOutlierCsv(std::ostream& out, int nrOfVolumes,
                     const std::int32_t* outlierCounts,
                     const std::int32_t* spikeCounts,
                     const AnalysisSettings& settings);

// Logs the table when createTemporalOutlierLogtab is set, then writes the
// CSV file beside `vtcPath` when createTemporalOutlierFile is set. Returns
// false when the CSV file could not be opened or written; a file that
// failed while being written is removed.
bool reportTemporalOutliers(const HostFunctions& host, int nrOfVolumes,
                            const std::int32_t* outlierCounts,
                            const std::int32_t* spikeCounts,
                            const AnalysisSettings& settings,
                            const std::string& vtcPath);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_TEMPORAL_OUTLIER_REPORT_H_
