// The texts of a run's quality files: "<entities>_desc-qc_iqms.json" (one
// object of run-wide numbers) and the per-volume table
// "<entities>_desc-qc_timeseries.tsv". docs/quality-numbers.md describes
// every key and column.
#ifndef QUORVEL_CLI_QUALITY_IQM_FILES_H_
#define QUORVEL_CLI_QUALITY_IQM_FILES_H_

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/quality/run_quality.h"
#include "cli/settings/analysis_parameters.h"

namespace quorvel::cli {

// The IQM file: "Run" (`runPath` as given), "Volumes", "RepetitionTime",
// "Parameters", "Warnings", then the numbers, and the field's standard
// IQMs under MRIQC's names when the quality has them; null where
// undefined.
std::string iqmJson(const std::string& runPath, const RunQuality& quality,
                    const AnalysisParameters& parameters, const std::vector<std::string>& warnings);

// The per-volume table: outlier_count, spike_count, outlier_fraction,
// dvars, std_dvars, global_signal, and with the standard IQMs
// non_steady_state (1 or 0), aor and aqi; one line per volume, "n/a"
// where a value is undefined.
std::string qualityTimeseriesTsv(const RunQuality& quality);

// The same table handed to `emit` a line at a time (each with its "\n"),
// in order: a long run's table can go to its file without being held whole.
void forEachTimeseriesLine(const RunQuality& quality,
                           const std::function<void(const std::string&)>& emit);

// A number as the shortest decimal that reads back as the same double.
std::string shortestText(double value);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_IQM_FILES_H_
