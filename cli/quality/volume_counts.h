// The per-volume outlier and spike counts of one run, as the plug-in
// reports them in its CSV file or in its log table.
#ifndef QUORVEL_CLI_QUALITY_VOLUME_COUNTS_H_
#define QUORVEL_CLI_QUALITY_VOLUME_COUNTS_H_

#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "cli/base/line_range.h"

namespace quorvel::cli {

// Counts per volume; entry v belongs to volume v + 1 of the reports.
struct VolumeCounts {
  std::vector<long> outliers;  // voxels deviating by more than the threshold
  std::vector<long> spikes;    // those of them that stand out from neighbours
};

// The counts of the plug-in's CSV text: a header line beginning
// "Volume, Outliers (stddev>" and one "volume,outliers,spikes" line per
// volume, numbered from 1. Nothing unless the text is complete and holds
// exactly `volumeCount` rows.
std::optional<VolumeCounts> parseOutlierCsv(const std::string& text, int volumeCount);
// The same read from `in` line by line, without holding the text.
std::optional<VolumeCounts> parseOutlierCsv(std::istream& in, int volumeCount);

// The counts of the log table among `runLog`, the log lines the plug-in
// wrote while one run was linked: a heading and one "Volume %3i: %5i, of
// which %5i spikes" line per volume. Nothing unless all `volumeCount`
// lines are there.
std::optional<VolumeCounts> parseLogTable(LineRange runLog, int volumeCount);
// The same for lines held in a vector.
std::optional<VolumeCounts> parseLogTable(const std::vector<std::string>& runLog, int volumeCount);

// Tab-separated table for other tools: a header "outlier_count\tspike_count"
// and one line per volume.
std::string timeseriesTsv(const VolumeCounts& counts);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_VOLUME_COUNTS_H_
