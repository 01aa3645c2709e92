// Exact order statistics of short series (a voxel's time course) without
// sorting: a quickselect whose partition has no data-dependent branches,
// since on noisy samples a branch per comparison is mispredicted half the
// time and would dominate the command's per-voxel work.
#ifndef QUORVEL_CLI_QUALITY_ORDER_STATISTICS_H_
#define QUORVEL_CLI_QUALITY_ORDER_STATISTICS_H_

#include <cstddef>
#include <utility>

namespace quorvel::cli {

// The value sorting `values[0, count)` ascending would put at index `rank`
// (rank < count). `values` is left in an unspecified order; `scratch`
// must hold `count` values. Series holding NaN get std::nth_element's
// answer.
double selectRank(double* values, std::size_t count, std::size_t rank, double* scratch);

// The values at `lowRank` and `highRank` (lowRank <= highRank < count) of
// `values[0, count)` sorted ascending, exactly as two calls of selectRank
// on two copies would give them, NaN included, but sharing the
// partitions that both ranks go through. `values` is left in an
// unspecified order; `scratch` must hold `count` values.
std::pair<double, double> selectTwoRanks(double* values, std::size_t count, std::size_t lowRank,
                                         std::size_t highRank, double* scratch);

// The same on floats: every comparison, and so every step and answer, is
// that of the double version on the same values, at half the memory and,
// where the processor has AVX-512, sixteen values a step.
std::pair<float, float> selectTwoRanks(float* values, std::size_t count, std::size_t lowRank,
                                       std::size_t highRank, float* scratch);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_ORDER_STATISTICS_H_
