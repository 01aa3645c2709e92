// The study-wide rule that flags a run's quality number as far from the
// others: beyond the quartiles by 1.5 interquartile ranges.
#ifndef QUORVEL_CLI_BIDS_ROBUST_FENCES_H_
#define QUORVEL_CLI_BIDS_ROBUST_FENCES_H_

#include <cstddef>
#include <optional>
#include <vector>

namespace quorvel::cli {

// Fewest runs with a value for the rule to judge an IQM at all.
constexpr std::size_t kFewestRunsToFlag = 4;

// The quartiles of a set of values and the fences 1.5 IQR beyond them.
struct Fences {
  std::size_t count = 0;  // how many values they were computed from
  double q1 = 0, q3 = 0;
  double lower = 0, upper = 0;

  // Whether `value` lies strictly outside [lower, upper].
  bool outside(double value) const { return value < lower || value > upper; }
};

// The quantile `p` (0..1) of sorted `values`, interpolated linearly between
// the order statistics at (n - 1) p. `values` must not be empty.
double interpolatedQuantile(const std::vector<double>& sorted, double p);

// The fences of `values` (any order), or nullopt when fewer than
// kFewestRunsToFlag values are given.
std::optional<Fences> tukeyFences(std::vector<double> values);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_ROBUST_FENCES_H_
