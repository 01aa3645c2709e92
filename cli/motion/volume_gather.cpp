#include "cli/motion/volume_gather.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvel::cli {
namespace {

// Voxels whose course pieces are asked for ahead of their use: each voxel's
// samples lie a whole time course after the previous voxel's, a stride the
// processor's own prefetching does not follow across pages.
constexpr std::size_t kPrefetchVoxels = 16;

template <typename Sample>
void prefetchPiece(const Sample* from, std::size_t count) {
  const char* begin = reinterpret_cast<const char*>(from);
  const char* end = reinterpret_cast<const char*>(from + count);
  for (const char* line = begin; line < end; line += 64) __builtin_prefetch(line);
  __builtin_prefetch(end - 1);
}

float finiteOrZero(float x) { return std::isfinite(x) ? x : 0.0f; }
float finiteOrZero(std::int16_t x) { return static_cast<float>(x); }

// One voxel's samples [k0, k0 + n) into the volumes' rows, one at a time.
template <typename Sample>
void placeCourse(const Sample* from, std::size_t n, std::size_t voxels, float* out) {
  for (std::size_t k = 0; k < n; ++k) out[k * voxels] = finiteOrZero(from[k]);
}

#if defined(__SSE2__)
__m128 fourSamples(const float* from) {
  const __m128 x = _mm_loadu_ps(from);
  // x - x is 0 for a finite x and NaN otherwise.
  return _mm_and_ps(x, _mm_cmpeq_ps(_mm_sub_ps(x, x), _mm_setzero_ps()));
}
__m128 fourSamples(const std::int16_t* from) {
  const __m128i words = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from));
  return _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(words, words), 16));
}
#endif

template <typename Sample>
void gather(const Sample* samples, std::size_t voxels, std::size_t volumes, std::size_t first,
            std::size_t count, float* out) {
  const std::size_t ahead = kPrefetchVoxels * volumes;
  std::size_t v = 0;
#if defined(__SSE2__)
  // Four voxels by four volumes at a time, turned in registers.
  const std::size_t count4 = count - count % 4;
  for (; v + 4 <= voxels; v += 4) {
    const Sample* from = samples + v * volumes + first;
    if (v + 4 + kPrefetchVoxels <= voxels) {
      for (std::size_t i = 0; i < 4; ++i) prefetchPiece(from + ahead + i * volumes, count);
    }
    for (std::size_t k = 0; k < count4; k += 4) {
      __m128 a = fourSamples(from + k), b = fourSamples(from + volumes + k);
      __m128 c = fourSamples(from + 2 * volumes + k), d = fourSamples(from + 3 * volumes + k);
      _MM_TRANSPOSE4_PS(a, b, c, d);
      _mm_storeu_ps(out + k * voxels + v, a);
      _mm_storeu_ps(out + (k + 1) * voxels + v, b);
      _mm_storeu_ps(out + (k + 2) * voxels + v, c);
      _mm_storeu_ps(out + (k + 3) * voxels + v, d);
    }
    for (std::size_t i = 0; i < 4; ++i) {
      placeCourse(from + i * volumes + count4, count - count4, voxels,
                  out + count4 * voxels + v + i);
    }
  }
#endif
  for (; v < voxels; ++v) {
    const Sample* from = samples + v * volumes + first;
    if (v + kPrefetchVoxels < voxels) prefetchPiece(from + ahead, count);
    placeCourse(from, count, voxels, out + v);
  }
}

}  // namespace

void gatherVolumes(const SampleView& samples, std::size_t first, std::size_t count, float* out) {
  if (samples.int16Samples != nullptr) {
    gather(samples.int16Samples, samples.voxels, samples.volumes, first, count, out);
  } else {
    gather(samples.floatSamples, samples.voxels, samples.volumes, first, count, out);
  }
}

}  // namespace quorvel::cli
