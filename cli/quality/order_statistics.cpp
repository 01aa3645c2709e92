#include "cli/quality/order_statistics.h"

#include <algorithm>
#include <utility>

namespace quorvel::cli {
namespace {

// Below this many values a plain selection is as fast.
constexpr std::size_t kSmallRange = 32;

double medianOfThree(double a, double b, double c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Copies `from[0, count)` into `to`: values for which `goesLeft` holds at
// the front in order, the others at the back in reverse order. Returns how
// many went left. Each value is written to both ends and the matching end
// advances, so the loop has no branch on the data.
template <typename GoesLeft>
std::size_t splitInto(const double* from, std::size_t count, double* to, GoesLeft goesLeft) {
  std::size_t left = 0, right = count;
  for (std::size_t i = 0; i < count; ++i) {
    const double value = from[i];
    const bool isLeft = goesLeft(value);
    to[left] = value;
    to[right - 1] = value;
    left += isLeft ? 1 : 0;
    right -= isLeft ? 0 : 1;
  }
  return left;
}

}  // namespace

double selectRank(double* values, std::size_t count, std::size_t rank, double* scratch) {
  double* range = values;
  double* spare = scratch;
  while (count > kSmallRange) {
    const double pivot = medianOfThree(range[0], range[count / 2], range[count - 1]);
    if (pivot != pivot) break;  // NaN: no order to select by
    std::size_t below = splitInto(range, count, spare, [pivot](double v) { return v < pivot; });
    if (below == 0) {
      // The pivot is the smallest value: split off its copies instead,
      // which always makes progress since the pivot is one of them.
      below = splitInto(range, count, spare, [pivot](double v) { return v <= pivot; });
      if (rank < below) return pivot;
    }
    if (rank < below) {
      count = below;
      std::swap(range, spare);
    } else {
      double* upper = spare + below;
      spare = range;
      range = upper;
      count -= below;
      rank -= below;
    }
  }
  std::nth_element(range, range + rank, range + count);
  return range[rank];
}

std::pair<double, double> selectTwoRanks(double* values, std::size_t count, std::size_t lowRank,
                                         std::size_t highRank, double* scratch) {
  // Each step below is the step selectRank takes for both ranks while they
  // stay on one side of the pivot; once they part, each side is its own
  // selection on the values selectRank would have kept.
  double* range = values;
  double* spare = scratch;
  while (count > kSmallRange) {
    const double pivot = medianOfThree(range[0], range[count / 2], range[count - 1]);
    if (pivot != pivot) break;
    std::size_t below = splitInto(range, count, spare, [pivot](double v) { return v < pivot; });
    if (below == 0) {
      below = splitInto(range, count, spare, [pivot](double v) { return v <= pivot; });
      if (highRank < below) return {pivot, pivot};
      if (lowRank < below) {
        return {pivot, selectRank(spare + below, count - below, highRank - below, range + below)};
      }
    }
    if (highRank < below) {
      count = below;
      std::swap(range, spare);
    } else if (lowRank >= below) {
      double* upper = spare + below;
      spare = range;
      range = upper;
      count -= below;
      lowRank -= below;
      highRank -= below;
    } else {
      return {selectRank(spare, below, lowRank, range),
              selectRank(spare + below, count - below, highRank - below, range + below)};
    }
  }
  // Two selections each start from the values as they stand here: with
  // NaN among them the order they leave matters.
  std::copy(range, range + count, spare);
  std::nth_element(range, range + lowRank, range + count);
  std::nth_element(spare, spare + highRank, spare + count);
  return {range[lowRank], spare[highRank]};
}

}  // namespace quorvel::cli
