// The summary MRIQC gives of the intensities of a region of an image
// (summary_fg_*, summary_bg_*): mean, population standard deviation,
// median, MAD scaled to a normal standard deviation, 5th and 95th
// percentiles by linear interpolation, excess kurtosis, and the count.
#ifndef QUORVEL_CLI_QUALITY_DISTRIBUTION_SUMMARY_H_
#define QUORVEL_CLI_QUALITY_DISTRIBUTION_SUMMARY_H_

#include <cstddef>
#include <optional>
#include <vector>

namespace quorvel::cli {

// A region's summary; values are empty where undefined (no values, or a
// kurtosis of values that are all equal).
struct DistributionSummary {
  std::optional<double> mean, stdv, median, mad, p05, p95, k;
  std::size_t n = 0;
};

// The summary of `values`.
DistributionSummary summarise(std::vector<double> values);

// The `percent` percentile of ascending `sorted` values (not empty), by
// linear interpolation between the two nearest ranks.
double percentileOfSorted(const std::vector<double>& sorted, double percent);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_DISTRIBUTION_SUMMARY_H_
