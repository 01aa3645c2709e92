// The handful of lane-wise operations the tiled voxel pass is written in,
// on doubles (Lanes) and on floats (Floats, twice as many lanes), for the
// widest instruction set the including file is compiled for (AVX-512F, AVX2
// or SSE2). Operations on both types share their names; the argument types
// choose. Included only by the kernel files,
// each built with its own target flags; everything here has internal
// linkage so no kernel's code can stand in for another's.
#ifndef QUORVEL_ANALYSIS_VOXEL_PASS_LANES_H_
#define QUORVEL_ANALYSIS_VOXEL_PASS_LANES_H_

#include <immintrin.h>

#include <cstdint>

namespace quorvel {
namespace {

// Sample rows of the two wide kernels: kBlockSize consecutive samples of
// one voxel as floats, which a block transpose turns into kBlockSize voxels
// of one volume. Only their widening to doubles differs per kernel.
#if defined(__AVX2__)
using SampleRow = __m256;
constexpr int kBlockSize = 8;

inline SampleRow loadRow(const float* p) { return _mm256_loadu_ps(p); }
// Sign-extends eight 16-bit samples; the conversion to float is exact.
inline SampleRow loadRow(const std::int16_t* p) {
  const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(raw));
}
// Turns rows of eight voxels' samples into rows of eight volumes.
inline void transposeBlock(SampleRow r[kBlockSize]) {
  const __m256 t0 = _mm256_unpacklo_ps(r[0], r[1]);
  const __m256 t1 = _mm256_unpackhi_ps(r[0], r[1]);
  const __m256 t2 = _mm256_unpacklo_ps(r[2], r[3]);
  const __m256 t3 = _mm256_unpackhi_ps(r[2], r[3]);
  const __m256 t4 = _mm256_unpacklo_ps(r[4], r[5]);
  const __m256 t5 = _mm256_unpackhi_ps(r[4], r[5]);
  const __m256 t6 = _mm256_unpacklo_ps(r[6], r[7]);
  const __m256 t7 = _mm256_unpackhi_ps(r[6], r[7]);
  const __m256 s0 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 s1 = _mm256_shuffle_ps(t0, t2, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 s2 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 s3 = _mm256_shuffle_ps(t1, t3, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 s4 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 s5 = _mm256_shuffle_ps(t4, t6, _MM_SHUFFLE(3, 2, 3, 2));
  const __m256 s6 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(1, 0, 1, 0));
  const __m256 s7 = _mm256_shuffle_ps(t5, t7, _MM_SHUFFLE(3, 2, 3, 2));
  r[0] = _mm256_permute2f128_ps(s0, s4, 0x20);
  r[1] = _mm256_permute2f128_ps(s1, s5, 0x20);
  r[2] = _mm256_permute2f128_ps(s2, s6, 0x20);
  r[3] = _mm256_permute2f128_ps(s3, s7, 0x20);
  r[4] = _mm256_permute2f128_ps(s0, s4, 0x31);
  r[5] = _mm256_permute2f128_ps(s1, s5, 0x31);
  r[6] = _mm256_permute2f128_ps(s2, s6, 0x31);
  r[7] = _mm256_permute2f128_ps(s3, s7, 0x31);
}
#endif

#if defined(__AVX512F__)

// GCC 12's AVX-512 intrinsics fill the unused source of their masked
// builtins with a placeholder initialised from itself, which its own
// uninitialised-value warnings then report in every caller.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

using Lanes = __m512d;
using LaneMask = __mmask8;
constexpr int kLaneCount = 8;

inline Lanes loadLanes(const double* p) { return _mm512_loadu_pd(p); }
inline void storeLanes(double* p, Lanes x) { _mm512_storeu_pd(p, x); }
inline Lanes splat(double x) { return _mm512_set1_pd(x); }
inline Lanes add(Lanes a, Lanes b) { return _mm512_add_pd(a, b); }
inline Lanes sub(Lanes a, Lanes b) { return _mm512_sub_pd(a, b); }
inline Lanes mul(Lanes a, Lanes b) { return _mm512_mul_pd(a, b); }
inline Lanes div(Lanes a, Lanes b) { return _mm512_div_pd(a, b); }
inline Lanes squareRoot(Lanes a) { return _mm512_sqrt_pd(a); }
// Rounds to the nearest single-precision value, kept as a double.
inline Lanes toSingle(Lanes x) { return _mm512_cvtps_pd(_mm512_cvtpd_ps(x)); }
inline Lanes magnitude(Lanes x) { return _mm512_abs_pd(x); }
inline Lanes negated(Lanes x) { return _mm512_sub_pd(_mm512_set1_pd(-0.0), x); }
// `candidate` where it is greater than `current`, else `current` (so a
// NaN candidate never wins).
inline Lanes larger(Lanes candidate, Lanes current) {
  return _mm512_max_pd(candidate, current);
}
// `candidate` where it is less than `current`, else `current`.
inline Lanes smaller(Lanes candidate, Lanes current) {
  return _mm512_min_pd(candidate, current);
}
// a > b, false where either is NaN.
inline LaneMask greater(Lanes a, Lanes b) {
  return _mm512_cmp_pd_mask(a, b, _CMP_GT_OQ);
}
inline LaneMask both(LaneMask a, LaneMask b) {
  return static_cast<LaneMask>(a & b);
}
inline unsigned maskBits(LaneMask m) { return m; }
inline Lanes select(LaneMask m, Lanes ifTrue, Lanes ifFalse) {
  return _mm512_mask_blend_pd(m, ifFalse, ifTrue);
}

using Floats = __m512;
using FloatMask = __mmask16;
constexpr int kFloatLanes = 16;

inline Floats loadFloats(const float* p) { return _mm512_loadu_ps(p); }
inline void storeFloats(float* p, Floats x) { _mm512_storeu_ps(p, x); }
inline Floats splatFloats(float x) { return _mm512_set1_ps(x); }
inline Floats add(Floats a, Floats b) { return _mm512_add_ps(a, b); }
inline Floats sub(Floats a, Floats b) { return _mm512_sub_ps(a, b); }
inline Floats mul(Floats a, Floats b) { return _mm512_mul_ps(a, b); }
inline Floats div(Floats a, Floats b) { return _mm512_div_ps(a, b); }
inline Floats magnitude(Floats x) { return _mm512_abs_ps(x); }
inline Floats larger(Floats candidate, Floats current) {
  return _mm512_max_ps(candidate, current);
}
inline Floats smaller(Floats candidate, Floats current) {
  return _mm512_min_ps(candidate, current);
}
inline FloatMask greater(Floats a, Floats b) {
  return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ);
}
inline unsigned maskBits(FloatMask m) { return m; }

// kLaneCount floats from p, widened (exactly) to doubles.
inline Lanes loadAsDoubles(const float* p) {
  return _mm512_cvtps_pd(_mm256_loadu_ps(p));
}
// Both vectors rounded to single precision, `low` in the lower lanes.
inline Floats narrow(Lanes low, Lanes high) {
  const __m512d lowHalf =
      _mm512_castps_pd(_mm512_castps256_ps512(_mm512_cvtpd_ps(low)));
  return _mm512_castpd_ps(
      _mm512_insertf64x4(lowHalf, _mm256_castps_pd(_mm512_cvtpd_ps(high)), 1));
}
// Row i of two transposed blocks side by side: lanes of the first block
// below those of the second.
constexpr int kBlocksPerFloats = 2;
inline Floats blockRowsAsFloats(const SampleRow* rows, int blockStride) {
  return _mm512_castpd_ps(
      _mm512_insertf64x4(_mm512_castps_pd(_mm512_castps256_ps512(rows[0])),
                         _mm256_castps_pd(rows[blockStride]), 1));
}

// kFloatLanes consecutive samples as floats (16-bit samples convert
// exactly).
inline Floats loadFloatsOf(const float* p) { return _mm512_loadu_ps(p); }
inline Floats loadFloatsOf(const std::int16_t* p) {
  return _mm512_cvtepi32_ps(_mm512_cvtepi16_epi32(
      _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p))));
}
// The lanes added pairwise, in halves of the vector.
inline float sumOfLanes(Floats x) {
  const __m256 half = _mm256_add_ps(
      _mm512_castps512_ps256(x),
      _mm256_castpd_ps(_mm512_extractf64x4_pd(_mm512_castps_pd(x), 1)));
  __m128 q =
      _mm_add_ps(_mm256_castps256_ps128(half), _mm256_extractf128_ps(half, 1));
  q = _mm_add_ps(q, _mm_movehl_ps(q, q));
  q = _mm_add_ss(q, _mm_shuffle_ps(q, q, 1));
  return _mm_cvtss_f32(q);
}

#elif defined(__AVX2__)

using Lanes = __m256d;
using LaneMask = __m256d;
constexpr int kLaneCount = 4;

inline Lanes loadLanes(const double* p) { return _mm256_loadu_pd(p); }
inline void storeLanes(double* p, Lanes x) { _mm256_storeu_pd(p, x); }
inline Lanes splat(double x) { return _mm256_set1_pd(x); }
inline Lanes add(Lanes a, Lanes b) { return _mm256_add_pd(a, b); }
inline Lanes sub(Lanes a, Lanes b) { return _mm256_sub_pd(a, b); }
inline Lanes mul(Lanes a, Lanes b) { return _mm256_mul_pd(a, b); }
inline Lanes div(Lanes a, Lanes b) { return _mm256_div_pd(a, b); }
inline Lanes squareRoot(Lanes a) { return _mm256_sqrt_pd(a); }
inline Lanes toSingle(Lanes x) { return _mm256_cvtps_pd(_mm256_cvtpd_ps(x)); }
inline Lanes magnitude(Lanes x) {
  return _mm256_andnot_pd(_mm256_set1_pd(-0.0), x);
}
inline Lanes negated(Lanes x) { return _mm256_xor_pd(_mm256_set1_pd(-0.0), x); }
inline Lanes larger(Lanes candidate, Lanes current) {
  return _mm256_max_pd(candidate, current);
}
inline Lanes smaller(Lanes candidate, Lanes current) {
  return _mm256_min_pd(candidate, current);
}
inline LaneMask greater(Lanes a, Lanes b) {
  return _mm256_cmp_pd(a, b, _CMP_GT_OQ);
}
inline LaneMask both(LaneMask a, LaneMask b) { return _mm256_and_pd(a, b); }
inline unsigned maskBits(LaneMask m) {
  return static_cast<unsigned>(_mm256_movemask_pd(m));
}
inline Lanes select(LaneMask m, Lanes ifTrue, Lanes ifFalse) {
  return _mm256_blendv_pd(ifFalse, ifTrue, m);
}

using Floats = __m256;
using FloatMask = __m256;
constexpr int kFloatLanes = 8;

inline Floats loadFloats(const float* p) { return _mm256_loadu_ps(p); }
inline void storeFloats(float* p, Floats x) { _mm256_storeu_ps(p, x); }
inline Floats splatFloats(float x) { return _mm256_set1_ps(x); }
inline Floats add(Floats a, Floats b) { return _mm256_add_ps(a, b); }
inline Floats sub(Floats a, Floats b) { return _mm256_sub_ps(a, b); }
inline Floats mul(Floats a, Floats b) { return _mm256_mul_ps(a, b); }
inline Floats div(Floats a, Floats b) { return _mm256_div_ps(a, b); }
inline Floats magnitude(Floats x) {
  return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), x);
}
inline Floats larger(Floats candidate, Floats current) {
  return _mm256_max_ps(candidate, current);
}
inline Floats smaller(Floats candidate, Floats current) {
  return _mm256_min_ps(candidate, current);
}
inline FloatMask greater(Floats a, Floats b) {
  return _mm256_cmp_ps(a, b, _CMP_GT_OQ);
}
inline unsigned maskBits(FloatMask m) {
  return static_cast<unsigned>(_mm256_movemask_ps(m));
}

inline Lanes loadAsDoubles(const float* p) {
  return _mm256_cvtps_pd(_mm_loadu_ps(p));
}
inline Floats narrow(Lanes low, Lanes high) {
  return _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(low)),
                              _mm256_cvtpd_ps(high), 1);
}
constexpr int kBlocksPerFloats = 1;
inline Floats blockRowsAsFloats(const SampleRow* rows, int /*blockStride*/) {
  return rows[0];
}

inline Floats loadFloatsOf(const float* p) { return loadRow(p); }
inline Floats loadFloatsOf(const std::int16_t* p) { return loadRow(p); }
inline float sumOfLanes(Floats x) {
  __m128 q = _mm_add_ps(_mm256_castps256_ps128(x), _mm256_extractf128_ps(x, 1));
  q = _mm_add_ps(q, _mm_movehl_ps(q, q));
  q = _mm_add_ss(q, _mm_shuffle_ps(q, q, 1));
  return _mm_cvtss_f32(q);
}

#elif defined(__SSE2__)

using Lanes = __m128d;
using LaneMask = __m128d;
constexpr int kLaneCount = 2;

inline Lanes loadLanes(const double* p) { return _mm_loadu_pd(p); }
inline void storeLanes(double* p, Lanes x) { _mm_storeu_pd(p, x); }
inline Lanes splat(double x) { return _mm_set1_pd(x); }
inline Lanes add(Lanes a, Lanes b) { return _mm_add_pd(a, b); }
inline Lanes sub(Lanes a, Lanes b) { return _mm_sub_pd(a, b); }
inline Lanes mul(Lanes a, Lanes b) { return _mm_mul_pd(a, b); }
inline Lanes div(Lanes a, Lanes b) { return _mm_div_pd(a, b); }
inline Lanes squareRoot(Lanes a) { return _mm_sqrt_pd(a); }
inline Lanes toSingle(Lanes x) { return _mm_cvtps_pd(_mm_cvtpd_ps(x)); }
inline Lanes magnitude(Lanes x) { return _mm_andnot_pd(_mm_set1_pd(-0.0), x); }
inline Lanes negated(Lanes x) { return _mm_xor_pd(_mm_set1_pd(-0.0), x); }
inline Lanes larger(Lanes candidate, Lanes current) {
  return _mm_max_pd(candidate, current);
}
inline Lanes smaller(Lanes candidate, Lanes current) {
  return _mm_min_pd(candidate, current);
}
inline LaneMask greater(Lanes a, Lanes b) { return _mm_cmpgt_pd(a, b); }
inline LaneMask both(LaneMask a, LaneMask b) { return _mm_and_pd(a, b); }
inline unsigned maskBits(LaneMask m) {
  return static_cast<unsigned>(_mm_movemask_pd(m));
}
inline Lanes select(LaneMask m, Lanes ifTrue, Lanes ifFalse) {
  return _mm_or_pd(_mm_and_pd(m, ifTrue), _mm_andnot_pd(m, ifFalse));
}

using Floats = __m128;
using FloatMask = __m128;
constexpr int kFloatLanes = 4;

inline Floats loadFloats(const float* p) { return _mm_loadu_ps(p); }
inline void storeFloats(float* p, Floats x) { _mm_storeu_ps(p, x); }
inline Floats splatFloats(float x) { return _mm_set1_ps(x); }
inline Floats add(Floats a, Floats b) { return _mm_add_ps(a, b); }
inline Floats sub(Floats a, Floats b) { return _mm_sub_ps(a, b); }
inline Floats mul(Floats a, Floats b) { return _mm_mul_ps(a, b); }
inline Floats div(Floats a, Floats b) { return _mm_div_ps(a, b); }
inline Floats magnitude(Floats x) {
  return _mm_andnot_ps(_mm_set1_ps(-0.0f), x);
}
inline Floats larger(Floats candidate, Floats current) {
  return _mm_max_ps(candidate, current);
}
inline Floats smaller(Floats candidate, Floats current) {
  return _mm_min_ps(candidate, current);
}
inline FloatMask greater(Floats a, Floats b) { return _mm_cmpgt_ps(a, b); }
inline unsigned maskBits(FloatMask m) {
  return static_cast<unsigned>(_mm_movemask_ps(m));
}

inline Lanes loadAsDoubles(const float* p) {
  return _mm_cvtps_pd(
      _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}
inline Floats narrow(Lanes low, Lanes high) {
  return _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
}

using SampleRow = __m128;
constexpr int kBlockSize = 4;
constexpr int kBlocksPerFloats = 1;
inline Floats blockRowsAsFloats(const SampleRow* rows, int /*blockStride*/) {
  return rows[0];
}
inline SampleRow loadRow(const float* p) { return _mm_loadu_ps(p); }
// Sign-extends four 16-bit samples; the conversion to float is exact.
inline SampleRow loadRow(const std::int16_t* p) {
  const __m128i raw = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
  return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(raw, raw), 16));
}
// Turns rows of four voxels' samples into rows of four volumes.
inline void transposeBlock(SampleRow r[kBlockSize]) {
  _MM_TRANSPOSE4_PS(r[0], r[1], r[2], r[3]);
}

inline Floats loadFloatsOf(const float* p) { return loadRow(p); }
inline Floats loadFloatsOf(const std::int16_t* p) { return loadRow(p); }
inline float sumOfLanes(Floats x) {
  __m128 q = _mm_add_ps(x, _mm_movehl_ps(x, x));
  q = _mm_add_ss(q, _mm_shuffle_ps(q, q, 1));
  return _mm_cvtss_f32(q);
}

#else
#error "voxel_pass_lanes.h needs SSE2, AVX2 or AVX-512F"
#endif

// Set bits of a lane mask's bits; written out so that no kernel depends on
// a population-count instruction or a library helper.
inline int countBits(unsigned bits) {
  int n = 0;
  for (; bits != 0; bits &= bits - 1) ++n;
  return n;
}

}  // namespace
}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_VOXEL_PASS_LANES_H_
