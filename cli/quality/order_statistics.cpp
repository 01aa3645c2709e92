#include "cli/quality/order_statistics.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "cli/base/processor_vectors.h"
#include "cli/quality/counted_ranks.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUORVEL_SPLIT_AVX512 1
#endif

namespace quorvel::cli {
namespace {

// Ranges of at most this many values are finished without partitions: by
// counting where the processor allows, else by std::nth_element. The count
// costs the square of the range's size, and measured 16, 24, 40, 48 and 64
// lose to 32.
constexpr std::size_t kSmallRange = 32;

template <typename Key>
Key medianOfThree(Key a, Key b, Key c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Copies `from[0, count)` into `to`: values for which `goesLeft` holds at
// the front in order, the others at the back in reverse order. Returns how
// many went left. Each value is written to both ends and the matching end
// advances, so the loop has no branch on the data.
template <typename Key, typename GoesLeft>
std::size_t splitInto(const Key* from, std::size_t count, Key* to, GoesLeft goesLeft) {
  std::size_t left = 0, right = count;
  for (std::size_t i = 0; i < count; ++i) {
    const Key value = from[i];
    const bool isLeft = goesLeft(value);
    to[left] = value;
    to[right - 1] = value;
    left += isLeft ? 1 : 0;
    right -= isLeft ? 0 : 1;
  }
  return left;
}

#if defined(QUORVEL_SPLIT_AVX512)

// The scalar loop of splitInto from value `i` on, with `left` and `right`
// where the vector loop left them: the vector splits' last values.
template <int Predicate>
std::size_t finishSplit(const float* from, std::size_t count, float* to, float pivot, std::size_t i,
                        std::size_t left, std::size_t right) {
  for (; i < count; ++i) {
    const float value = from[i];
    const bool isLeft = Predicate == _CMP_LT_OQ ? value < pivot : value <= pivot;
    to[left] = value;
    to[right - 1] = value;
    left += isLeft ? 1 : 0;
    right -= isLeft ? 0 : 1;
  }
  return left;
}

// splitInto for floats sixteen at a time, leaving exactly the order the
// scalar loop leaves: the values going left packed in order, those going
// right packed, reversed and stored just below the previous ones. Both
// stores are masked to the lanes that hold values, since the gap between
// the two ends may be narrower than a vector. Comparisons are ordered and
// quiet, so NaN goes right as it does in the scalar loop.
template <int Predicate>
__attribute__((target("avx512f"))) std::size_t splitFloats16(const float* from, std::size_t count,
                                                             float* to, float pivot) {
  const __m512 bound = _mm512_set1_ps(pivot);
  const __m512i reverse = _mm512_set_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  std::size_t left = 0, right = count, i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m512 values = _mm512_loadu_ps(from + i);
    const __mmask16 goLeft = _mm512_cmp_ps_mask(values, bound, Predicate);
    const __mmask16 goRight = static_cast<__mmask16>(~goLeft);
    const unsigned leftCount = static_cast<unsigned>(__builtin_popcount(goLeft));
    const unsigned rightCount = 16 - leftCount;
    _mm512_mask_storeu_ps(to + left, static_cast<__mmask16>((1u << leftCount) - 1),
                          _mm512_maskz_compress_ps(goLeft, values));
    // Right-goers fill the top lanes in reverse, to end just below `right`;
    // `right` is at least 16 here, since as many values remain.
    const __m512 reversed =
        _mm512_maskz_permutexvar_ps(0xffff, reverse, _mm512_maskz_compress_ps(goRight, values));
    _mm512_mask_storeu_ps(to + right - 16, static_cast<__mmask16>(0xffffu << leftCount), reversed);
    left += leftCount;
    right -= rightCount;
  }
  return finishSplit<Predicate>(from, count, to, pivot, i, left, right);
}

// splitInto for floats eight at a time where the processor has AVX2 but
// not AVX-512, leaving exactly the order the scalar loop leaves: a table
// of permutations, one per pattern of comparisons, packs the values going
// left in order into the low lanes and those going right, reversed, into
// the high lanes. Both stores write all eight lanes (masked stores are
// slow on some processors): the lanes that belong to the other side land
// in the gap still to be filled, as long as it is 16 values wide; the
// last values take the scalar loop.
struct SplitPermutations {
  alignas(32) std::int32_t left[256][8];
  alignas(32) std::int32_t right[256][8];

  SplitPermutations() {
    for (int pattern = 0; pattern < 256; ++pattern) {
      int packed = 0, reversed = 7;
      for (int lane = 0; lane < 8; ++lane) left[pattern][lane] = right[pattern][lane] = 0;
      for (int lane = 0; lane < 8; ++lane) {
        if ((pattern >> lane) & 1) {
          left[pattern][packed++] = lane;
        } else {
          right[pattern][reversed--] = lane;
        }
      }
    }
  }
};

const SplitPermutations& splitPermutations() {
  static const SplitPermutations table;
  return table;
}

template <int Predicate>
__attribute__((target("avx2"))) std::size_t splitFloats8(const float* from, std::size_t count,
                                                         float* to, float pivot) {
  const SplitPermutations& table = splitPermutations();
  const __m256 bound = _mm256_set1_ps(pivot);
  std::size_t left = 0, right = count, i = 0;
  for (; i + 16 <= count; i += 8) {
    const __m256 values = _mm256_loadu_ps(from + i);
    const int goLeft = _mm256_movemask_ps(_mm256_cmp_ps(values, bound, Predicate));
    const int leftCount = __builtin_popcount(static_cast<unsigned>(goLeft));
    const __m256i leftOrder =
        _mm256_load_si256(reinterpret_cast<const __m256i*>(table.left[goLeft]));
    const __m256i rightOrder =
        _mm256_load_si256(reinterpret_cast<const __m256i*>(table.right[goLeft]));
    _mm256_storeu_ps(to + right - 8, _mm256_permutevar8x32_ps(values, rightOrder));
    _mm256_storeu_ps(to + left, _mm256_permutevar8x32_ps(values, leftOrder));
    left += static_cast<std::size_t>(leftCount);
    right -= static_cast<std::size_t>(8 - leftCount);
  }
  return finishSplit<Predicate>(from, count, to, pivot, i, left, right);
}

bool hasAvx512() { return processorVectorBits() == 512; }
bool hasAvx2() { return processorVectorBits() == 256; }

#endif

// countedRanks where it runs; false leaves the range to std::nth_element.
template <typename Key>
bool selectByCounting(const Key* /*range*/, std::size_t /*count*/, std::size_t /*lowRank*/,
                      std::size_t /*highRank*/, Key* /*low*/, Key* /*high*/) {
  return false;
}

template <>
bool selectByCounting<float>(const float* range, std::size_t count, std::size_t lowRank,
                             std::size_t highRank, float* low, float* high) {
  static_assert(kSmallRange <= kCountedRange, "counting finishes every small range");
  return countedRanks(range, count, lowRank, highRank, low, high);
}

// The two splits of the selection: below the pivot, or at most the pivot.
template <typename Key>
std::size_t splitBelow(const Key* from, std::size_t count, Key* to, Key pivot) {
  return splitInto(from, count, to, [pivot](Key v) { return v < pivot; });
}
template <typename Key>
std::size_t splitUpTo(const Key* from, std::size_t count, Key* to, Key pivot) {
  return splitInto(from, count, to, [pivot](Key v) { return v <= pivot; });
}

#if defined(QUORVEL_SPLIT_AVX512)
template <>
std::size_t splitBelow<float>(const float* from, std::size_t count, float* to, float pivot) {
  if (hasAvx512()) return splitFloats16<_CMP_LT_OQ>(from, count, to, pivot);
  if (hasAvx2()) return splitFloats8<_CMP_LT_OQ>(from, count, to, pivot);
  return splitInto(from, count, to, [pivot](float v) { return v < pivot; });
}
template <>
std::size_t splitUpTo<float>(const float* from, std::size_t count, float* to, float pivot) {
  if (hasAvx512()) return splitFloats16<_CMP_LE_OQ>(from, count, to, pivot);
  if (hasAvx2()) return splitFloats8<_CMP_LE_OQ>(from, count, to, pivot);
  return splitInto(from, count, to, [pivot](float v) { return v <= pivot; });
}
#endif

template <typename Key>
Key selectRankOf(Key* values, std::size_t count, std::size_t rank, Key* scratch) {
  Key* range = values;
  Key* spare = scratch;
  Key answer;
  while (count > kSmallRange) {
    const Key pivot = medianOfThree(range[0], range[count / 2], range[count - 1]);
    if (pivot != pivot) break;  // NaN: no order to select by
    std::size_t below = splitBelow(range, count, spare, pivot);
    if (below == 0) {
      // The pivot is the smallest value: split off its copies instead,
      // which always makes progress since the pivot is one of them.
      below = splitUpTo(range, count, spare, pivot);
      if (rank < below) return pivot;
    }
    if (rank < below) {
      count = below;
      std::swap(range, spare);
    } else {
      Key* upper = spare + below;
      spare = range;
      range = upper;
      count -= below;
      rank -= below;
    }
  }
  if (selectByCounting(range, count, rank, rank, &answer, &answer)) return answer;
  std::nth_element(range, range + rank, range + count);
  return range[rank];
}

template <typename Key>
std::pair<Key, Key> selectTwoRanksOf(Key* values, std::size_t count, std::size_t lowRank,
                                     std::size_t highRank, Key* scratch) {
  // Each step below is the step selectRank takes for both ranks while they
  // stay on one side of the pivot; once they part, each side is its own
  // selection on the values selectRank would have kept.
  Key* range = values;
  Key* spare = scratch;
  Key low, high;
  while (count > kSmallRange) {
    const Key pivot = medianOfThree(range[0], range[count / 2], range[count - 1]);
    if (pivot != pivot) break;
    std::size_t below = splitBelow(range, count, spare, pivot);
    if (below == 0) {
      below = splitUpTo(range, count, spare, pivot);
      if (highRank < below) return {pivot, pivot};
      if (lowRank < below) {
        return {pivot, selectRankOf(spare + below, count - below, highRank - below, range + below)};
      }
    }
    if (highRank < below) {
      count = below;
      std::swap(range, spare);
    } else if (lowRank >= below) {
      Key* upper = spare + below;
      spare = range;
      range = upper;
      count -= below;
      lowRank -= below;
      highRank -= below;
    } else {
      return {selectRankOf(spare, below, lowRank, range),
              selectRankOf(spare + below, count - below, highRank - below, range + below)};
    }
  }
  if (selectByCounting(range, count, lowRank, highRank, &low, &high)) return {low, high};
  // Two selections each start from the values as they stand here: with
  // NaN among them the order they leave matters.
  std::copy(range, range + count, spare);
  std::nth_element(range, range + lowRank, range + count);
  std::nth_element(spare, spare + highRank, spare + count);
  return {range[lowRank], spare[highRank]};
}

}  // namespace

double selectRank(double* values, std::size_t count, std::size_t rank, double* scratch) {
  return selectRankOf(values, count, rank, scratch);
}

std::pair<double, double> selectTwoRanks(double* values, std::size_t count, std::size_t lowRank,
                                         std::size_t highRank, double* scratch) {
  return selectTwoRanksOf(values, count, lowRank, highRank, scratch);
}

std::pair<float, float> selectTwoRanks(float* values, std::size_t count, std::size_t lowRank,
                                       std::size_t highRank, float* scratch) {
  return selectTwoRanksOf(values, count, lowRank, highRank, scratch);
}

}  // namespace quorvel::cli
