#include "cli/quality/lane_courses.h"

#include "cli/base/processor_vectors.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUORVEL_LANES_AVX512 1
#endif

// GCC 12's AVX-512 conversions fill an unused source with a placeholder
// initialised from itself, which its uninitialised-value warnings report.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace quorvel::cli {
namespace {

// Course by course, value by value: the form every processor runs, and
// the one that finishes the volumes short of a block of eight.
template <typename Sample>
void layFrom(const Sample* const* courses, std::size_t first, std::size_t t, double* x,
             double* total) {
  for (std::size_t k = 0; k < kCourseLanes; ++k) {
    const Sample* course = courses[k];
    for (std::size_t v = first; v < t; ++v)
      x[v * kCourseLanes + k] = static_cast<double>(course[v]);
  }
  for (std::size_t v = first; v < t; ++v) {
    for (std::size_t k = 0; k < kCourseLanes; ++k) total[k] += x[v * kCourseLanes + k];
  }
}

#if defined(QUORVEL_LANES_AVX512)

bool hasAvx512() { return processorVectorBits() == 512; }

// Eight volumes of eight courses at a time: a square of eight vectors,
// one per course, turned into one vector per volume and added to `total`
// volume by volume. Value by value the square cost three instructions a
// value and left the loads of the courses, which come from memory, one at
// a time; the additions, a chain of dependent steps, wait for those loads
// here rather than in a pass of their own.
__attribute__((target("avx512f"))) inline void storeSquare(__m512d r0, __m512d r1, __m512d r2,
                                                           __m512d r3, __m512d r4, __m512d r5,
                                                           __m512d r6, __m512d r7, double* out,
                                                           __m512d& total) {
  // Pairs of courses, per 128-bit lane L: even volumes 2L, odd 2L + 1.
  const __m512d e01 = _mm512_unpacklo_pd(r0, r1), o01 = _mm512_unpackhi_pd(r0, r1);
  const __m512d e23 = _mm512_unpacklo_pd(r2, r3), o23 = _mm512_unpackhi_pd(r2, r3);
  const __m512d e45 = _mm512_unpacklo_pd(r4, r5), o45 = _mm512_unpackhi_pd(r4, r5);
  const __m512d e67 = _mm512_unpacklo_pd(r6, r7), o67 = _mm512_unpackhi_pd(r6, r7);
  // Four courses of volumes (0, 4) and (2, 6) from the even pairs, (1, 5)
  // and (3, 7) from the odd ones.
  const __m512i near = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
  const __m512i far = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
  const __m512d a04 = _mm512_permutex2var_pd(e01, near, e23);
  const __m512d a26 = _mm512_permutex2var_pd(e01, far, e23);
  const __m512d a15 = _mm512_permutex2var_pd(o01, near, o23);
  const __m512d a37 = _mm512_permutex2var_pd(o01, far, o23);
  const __m512d b04 = _mm512_permutex2var_pd(e45, near, e67);
  const __m512d b26 = _mm512_permutex2var_pd(e45, far, e67);
  const __m512d b15 = _mm512_permutex2var_pd(o45, near, o67);
  const __m512d b37 = _mm512_permutex2var_pd(o45, far, o67);
  // Courses 0-3 of a volume from `a`, 4-7 from `b`: low halves give the
  // first volume of each pair, high halves the second.
  const __m512d rows[8] = {
      _mm512_shuffle_f64x2(a04, b04, 0x44), _mm512_shuffle_f64x2(a15, b15, 0x44),
      _mm512_shuffle_f64x2(a26, b26, 0x44), _mm512_shuffle_f64x2(a37, b37, 0x44),
      _mm512_shuffle_f64x2(a04, b04, 0xEE), _mm512_shuffle_f64x2(a15, b15, 0xEE),
      _mm512_shuffle_f64x2(a26, b26, 0xEE), _mm512_shuffle_f64x2(a37, b37, 0xEE)};
  for (std::size_t v = 0; v < 8; ++v) {
    _mm512_storeu_pd(out + v * 8, rows[v]);
    total = _mm512_add_pd(total, rows[v]);
  }
}

__attribute__((target("avx512f"))) inline __m512d eightAt(const float* from) {
  return _mm512_cvtps_pd(_mm256_loadu_ps(from));
}
__attribute__((target("avx512f"))) inline __m512d eightAt(const std::int16_t* from) {
  const __m128i shorts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  return _mm512_cvtepi32_pd(_mm256_cvtepi16_epi32(shorts));
}

template <typename Sample>
__attribute__((target("avx512f"))) void layAvx512(const Sample* const* courses, std::size_t t,
                                                  double* x, double* total) {
  const Sample *c0 = courses[0], *c1 = courses[1], *c2 = courses[2], *c3 = courses[3];
  const Sample *c4 = courses[4], *c5 = courses[5], *c6 = courses[6], *c7 = courses[7];
  __m512d sums = _mm512_setzero_pd();
  std::size_t v = 0;
  for (; v + 8 <= t; v += 8) {
    storeSquare(eightAt(c0 + v), eightAt(c1 + v), eightAt(c2 + v), eightAt(c3 + v), eightAt(c4 + v),
                eightAt(c5 + v), eightAt(c6 + v), eightAt(c7 + v), x + v * kCourseLanes, sums);
  }
  _mm512_storeu_pd(total, sums);
  layFrom(courses, v, t, x, total);
}

bool hasAvx2() { return processorVectorBits() == 256; }

// Four volumes of one course as doubles.
__attribute__((target("avx2"))) inline __m256d fourAt(const float* from) {
  return _mm256_cvtps_pd(_mm_loadu_ps(from));
}
__attribute__((target("avx2"))) inline __m256d fourAt(const std::int16_t* from) {
  const __m128i shorts = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
  return _mm256_cvtepi32_pd(_mm_cvtepi16_epi32(shorts));
}

// Four volumes of four courses (a0 to a3), turned into four vectors of
// one volume each.
__attribute__((target("avx2"))) inline void turnSquare(__m256d a0, __m256d a1, __m256d a2,
                                                       __m256d a3, __m256d* rows) {
  const __m256d t0 = _mm256_unpacklo_pd(a0, a1), t1 = _mm256_unpackhi_pd(a0, a1);
  const __m256d t2 = _mm256_unpacklo_pd(a2, a3), t3 = _mm256_unpackhi_pd(a2, a3);
  rows[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
  rows[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
  rows[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
  rows[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
}

// Where the processor has AVX2 but not AVX-512: four volumes of eight
// courses at a time, as two squares of four, so that every volume's eight
// values are stored as one whole cache line. Value by value, the stores
// a course apart went to a new line each, and a long run's lines no
// longer fitted the first-level cache before the sums read them back.
template <typename Sample>
__attribute__((target("avx2"))) void layAvx2(const Sample* const* courses, std::size_t t, double* x,
                                             double* total) {
  __m256d low = _mm256_setzero_pd(), high = _mm256_setzero_pd();
  std::size_t v = 0;
  for (; v + 4 <= t; v += 4) {
    __m256d lows[4], highs[4];
    turnSquare(fourAt(courses[0] + v), fourAt(courses[1] + v), fourAt(courses[2] + v),
               fourAt(courses[3] + v), lows);
    turnSquare(fourAt(courses[4] + v), fourAt(courses[5] + v), fourAt(courses[6] + v),
               fourAt(courses[7] + v), highs);
    for (std::size_t k = 0; k < 4; ++k) {
      _mm256_storeu_pd(x + (v + k) * kCourseLanes, lows[k]);
      _mm256_storeu_pd(x + (v + k) * kCourseLanes + 4, highs[k]);
      low = _mm256_add_pd(low, lows[k]);
      high = _mm256_add_pd(high, highs[k]);
    }
  }
  _mm256_storeu_pd(total, low);
  _mm256_storeu_pd(total + 4, high);
  layFrom(courses, v, t, x, total);
}

#endif

template <typename Sample>
void lay(const Sample* const* courses, std::size_t t, double* x, double* total) {
#if defined(QUORVEL_LANES_AVX512)
  if (hasAvx512()) return layAvx512(courses, t, x, total);
  if (hasAvx2()) return layAvx2(courses, t, x, total);
#endif
  for (std::size_t k = 0; k < kCourseLanes; ++k) total[k] = 0;
  layFrom(courses, 0, t, x, total);
}

}  // namespace

void layCourses(const float* const* courses, std::size_t t, double* x, double* total) {
  lay(courses, t, x, total);
}

void layCourses(const std::int16_t* const* courses, std::size_t t, double* x, double* total) {
  lay(courses, t, x, total);
}

}  // namespace quorvel::cli
