#include "cli/quality/counted_ranks.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "cli/base/processor_vectors.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUORVEL_COUNTED_RANKS 1
#endif

namespace quorvel::cli {
namespace {

#if defined(QUORVEL_COUNTED_RANKS)

// The greatest of sixteen floats, none of them NaN. Every step is masked
// to all lanes: GCC's unmasked forms warn of an undefined source.
__attribute__((target("avx512f"))) float greatestOf(__m512 values) {
  constexpr __mmask16 all = 0xffff;
  __m512 other = _mm512_maskz_shuffle_f32x4(all, values, values, _MM_SHUFFLE(1, 0, 3, 2));
  values = _mm512_maskz_max_ps(all, values, other);
  other = _mm512_maskz_shuffle_f32x4(all, values, values, _MM_SHUFFLE(2, 3, 0, 1));
  values = _mm512_maskz_max_ps(all, values, other);
  other = _mm512_maskz_permute_ps(all, values, _MM_SHUFFLE(1, 0, 3, 2));
  values = _mm512_maskz_max_ps(all, values, other);
  other = _mm512_maskz_permute_ps(all, values, _MM_SHUFFLE(2, 3, 0, 1));
  values = _mm512_maskz_max_ps(all, values, other);
  return _mm512_cvtss_f32(values);
}

// countedRanks with AVX-512: the values at `lowRank` and `highRank` of `range[0, count)` sorted
// ascending, for count at most 16 * Registers, found without moving a value
// or branching on one: each value counts how many of the range lie below
// it, and the value at rank r is the greatest whose count is at most r.
// Returns false where that answer could differ from std::nth_element's in
// its bits: with NaN, which has no place in the order, and when an answer
// is zero and the range holds both signs of zero, which compare equal.
template <int Registers>
__attribute__((target("avx512f"))) bool countRanks(const float* range, std::size_t count,
                                                   std::size_t lowRank, std::size_t highRank,
                                                   float* low, float* high) {
  __m512 values[Registers];
  __mmask16 valid[Registers];
  __mmask16 unordered = 0;
  for (int k = 0; k < Registers; ++k) {
    const std::size_t first = 16 * static_cast<std::size_t>(k);
    const std::size_t lanes = count > first ? std::min<std::size_t>(count - first, 16) : 0;
    valid[k] = static_cast<__mmask16>((1u << lanes) - 1);
    values[k] = _mm512_maskz_loadu_ps(valid[k], range + first);
    unordered |= _mm512_mask_cmp_ps_mask(valid[k], values[k], values[k], _CMP_UNORD_Q);
  }
  if (unordered != 0) return false;

  const __m512i one = _mm512_set1_epi32(1);
  __m512i below[Registers];
  for (int k = 0; k < Registers; ++k) below[k] = _mm512_setzero_si512();
  for (std::size_t j = 0; j < count; ++j) {
    const __m512 value = _mm512_set1_ps(range[j]);
    for (int k = 0; k < Registers; ++k) {
      const __mmask16 isBelow = _mm512_cmp_ps_mask(value, values[k], _CMP_LT_OQ);
      below[k] = _mm512_mask_add_epi32(below[k], isBelow, below[k], one);
    }
  }

  const __m512 none = _mm512_set1_ps(-std::numeric_limits<float>::infinity());
  const __m512i lowBound = _mm512_set1_epi32(static_cast<int>(lowRank));
  const __m512i highBound = _mm512_set1_epi32(static_cast<int>(highRank));
  __m512 lowBest = none, highBest = none;
  for (int k = 0; k < Registers; ++k) {
    lowBest = _mm512_mask_max_ps(
        lowBest, _mm512_mask_cmple_epi32_mask(valid[k], below[k], lowBound), lowBest, values[k]);
    highBest = _mm512_mask_max_ps(
        highBest, _mm512_mask_cmple_epi32_mask(valid[k], below[k], highBound), highBest, values[k]);
  }
  *low = greatestOf(lowBest);
  *high = greatestOf(highBest);

  if (*low == 0.0f || *high == 0.0f) {
    const __m512i positiveZero = _mm512_setzero_si512();
    const __m512i negativeZero = _mm512_set1_epi32(static_cast<int>(0x80000000u));
    bool positive = false, negative = false;
    for (int k = 0; k < Registers; ++k) {
      const __m512i bits = _mm512_castps_si512(values[k]);
      positive |= _mm512_mask_cmpeq_epi32_mask(valid[k], bits, positiveZero) != 0;
      negative |= _mm512_mask_cmpeq_epi32_mask(valid[k], bits, negativeZero) != 0;
    }
    if (positive && negative) return false;
  }
  return true;
}

// The greatest of eight floats, none of them NaN.
__attribute__((target("avx2"))) float greatestOf(__m256 values) {
  values = _mm256_max_ps(values, _mm256_permute2f128_ps(values, values, 1));
  values = _mm256_max_ps(values, _mm256_permute_ps(values, _MM_SHUFFLE(1, 0, 3, 2)));
  values = _mm256_max_ps(values, _mm256_permute_ps(values, _MM_SHUFFLE(2, 3, 0, 1)));
  return _mm256_cvtss_f32(values);
}

// countRanks with AVX2, eight values a register, for count at most
// 8 * Registers: the same counts and answers.
template <int Registers>
__attribute__((target("avx2"))) bool countRanks8(const float* range, std::size_t count,
                                                 std::size_t lowRank, std::size_t highRank,
                                                 float* low, float* high) {
  // The range padded to whole registers; the padding is never counted
  // against and never chosen.
  alignas(32) float padded[8 * Registers] = {};
  std::copy(range, range + count, padded);
  const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  __m256 values[Registers];
  __m256i valid[Registers];
  int unordered = 0;
  for (int k = 0; k < Registers; ++k) {
    values[k] = _mm256_load_ps(padded + 8 * k);
    valid[k] = _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(count) - 8 * k), lanes);
    const __m256 nan = _mm256_cmp_ps(values[k], values[k], _CMP_UNORD_Q);
    unordered |= _mm256_movemask_ps(_mm256_and_ps(nan, _mm256_castsi256_ps(valid[k])));
  }
  if (unordered != 0) return false;

  __m256i below[Registers];
  for (int k = 0; k < Registers; ++k) below[k] = _mm256_setzero_si256();
  for (std::size_t j = 0; j < count; ++j) {
    const __m256 value = _mm256_set1_ps(range[j]);
    for (int k = 0; k < Registers; ++k) {
      // A comparison that holds is -1 in every bit: subtracting it counts.
      const __m256 isBelow = _mm256_cmp_ps(value, values[k], _CMP_LT_OQ);
      below[k] = _mm256_sub_epi32(below[k], _mm256_castps_si256(isBelow));
    }
  }

  const __m256 none = _mm256_set1_ps(-std::numeric_limits<float>::infinity());
  const __m256i lowBound = _mm256_set1_epi32(static_cast<int>(lowRank));
  const __m256i highBound = _mm256_set1_epi32(static_cast<int>(highRank));
  __m256 lowBest = none, highBest = none;
  for (int k = 0; k < Registers; ++k) {
    const __m256 lowTakes =
        _mm256_castsi256_ps(_mm256_andnot_si256(_mm256_cmpgt_epi32(below[k], lowBound), valid[k]));
    const __m256 highTakes =
        _mm256_castsi256_ps(_mm256_andnot_si256(_mm256_cmpgt_epi32(below[k], highBound), valid[k]));
    lowBest = _mm256_max_ps(lowBest, _mm256_blendv_ps(none, values[k], lowTakes));
    highBest = _mm256_max_ps(highBest, _mm256_blendv_ps(none, values[k], highTakes));
  }
  *low = greatestOf(lowBest);
  *high = greatestOf(highBest);

  if (*low == 0.0f || *high == 0.0f) {
    bool positive = false, negative = false;
    for (std::size_t j = 0; j < count; ++j) {
      if (range[j] == 0.0f) (std::signbit(range[j]) ? negative : positive) = true;
    }
    if (positive && negative) return false;
  }
  return true;
}

#endif

}  // namespace

bool countedRanks(const float* range, std::size_t count, std::size_t lowRank, std::size_t highRank,
                  float* low, float* high) {
  if (count > kCountedRange) return false;
#if defined(QUORVEL_COUNTED_RANKS)
  static_assert(kCountedRange <= 32, "two AVX-512 or four AVX2 registers hold a range");
  if (processorVectorBits() == 512) {
    if (count <= 16) return countRanks<1>(range, count, lowRank, highRank, low, high);
    return countRanks<2>(range, count, lowRank, highRank, low, high);
  }
  if (processorVectorBits() == 256) {
    if (count <= 8) return countRanks8<1>(range, count, lowRank, highRank, low, high);
    if (count <= 16) return countRanks8<2>(range, count, lowRank, highRank, low, high);
    return countRanks8<4>(range, count, lowRank, highRank, low, high);
  }
#endif
  return false;
}

}  // namespace quorvel::cli
