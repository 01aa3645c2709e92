// Two order statistics of a short range of floats found by counting
// rather than by moving values: each value counts how many of the range
// lie below it, and the value at rank r is the greatest whose count is at
// most r. With no branch on the data, this beats a selection's last,
// short partitions, where every comparison is a branch mispredicted half
// the time.
#ifndef QUORVEL_CLI_QUALITY_COUNTED_RANKS_H_
#define QUORVEL_CLI_QUALITY_COUNTED_RANKS_H_

#include <cstddef>

namespace quorvel::cli {

// The longest range countedRanks takes.
constexpr std::size_t kCountedRange = 32;

// Sets *low and *high to the values at `lowRank` and `highRank` (lowRank
// <= highRank < count <= kCountedRange) of `range[0, count)` sorted
// ascending and returns true; returns false, leaving them alone, where the
// processor has neither AVX-512 nor AVX2, or where the answer's bits could
// differ from std::nth_element's: with NaN, which has no place in the
// order, or when an answer is zero and the range holds both signs of zero.
bool countedRanks(const float* range, std::size_t count, std::size_t lowRank, std::size_t highRank,
                  float* low, float* high);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_COUNTED_RANKS_H_
