#include "cli/quality/volume_keys.h"

#include "cli/base/processor_vectors.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUORVEL_VOLUME_KEYS_AVX2 1
#endif

namespace quorvel::cli {
namespace {

// Voxels ahead whose samples are asked for while one is copied: the
// courses lie too far apart for the processor to fetch them ahead itself.
constexpr std::size_t kFetchAhead = 8;

template <typename Sample>
void fetchAhead(const Sample* samples, std::size_t volumes, const std::size_t* voxels,
                std::size_t n, std::size_t i, std::size_t first, std::size_t count) {
  if (i + kFetchAhead >= n) return;
  const Sample* ahead = samples + voxels[i + kFetchAhead] * volumes + first;
  for (std::size_t b = 0; b < count; b += 64 / sizeof(Sample)) __builtin_prefetch(ahead + b);
}

// Voxel i's keys of volumes [from, count), one sample at a time.
template <typename Sample>
void gatherVoxel(const Sample* samples, std::size_t volumes, const std::size_t* voxels,
                 std::size_t n, std::size_t i, std::size_t first, std::size_t from,
                 std::size_t count, std::uint32_t* keys, KeyRange* ranges) {
  const Sample* course = samples + voxels[i] * volumes + first;
  for (std::size_t b = from; b < count; ++b) {
    const std::uint32_t key = orderKey(static_cast<float>(course[b]));
    keys[b * n + i] = key;
    ranges[b].add(key);
  }
}

template <typename Sample>
void gatherPlain(const Sample* samples, std::size_t volumes, const std::size_t* voxels,
                 std::size_t n, std::size_t first, std::size_t count, std::uint32_t* keys,
                 KeyRange* ranges) {
  for (std::size_t i = 0; i < n; ++i) {
    fetchAhead(samples, volumes, voxels, n, i, first, count);
    gatherVoxel(samples, volumes, voxels, n, i, first, 0, count, keys, ranges);
  }
}

#if defined(QUORVEL_VOLUME_KEYS_AVX2)

__attribute__((target("avx2"))) inline __m256 eightAt(const float* from) {
  return _mm256_loadu_ps(from);
}
__attribute__((target("avx2"))) inline __m256 eightAt(const std::int16_t* from) {
  const __m128i shorts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
  return _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(shorts));
}

// orderKey of eight floats.
__attribute__((target("avx2"))) inline __m256i keysOf(__m256 values) {
  const __m256i zero = _mm256_castps_si256(_mm256_cmp_ps(values, _mm256_setzero_ps(), _CMP_EQ_OQ));
  const __m256i bits = _mm256_andnot_si256(zero, _mm256_castps_si256(values));
  const __m256i flip = _mm256_or_si256(_mm256_srai_epi32(bits, 31),
                                       _mm256_set1_epi32(static_cast<int>(0x80000000u)));
  return _mm256_xor_si256(bits, flip);
}

// Eight voxels at a time, eight volumes a square of samples turned in
// registers: each volume's eight keys are stored in one piece, and its
// range kept lane by lane until the end.
template <typename Sample>
__attribute__((target("avx2"))) void gatherAvx2(const Sample* samples, std::size_t volumes,
                                                const std::size_t* voxels, std::size_t n,
                                                std::size_t first, std::size_t count,
                                                std::uint32_t* keys, KeyRange* ranges) {
  constexpr std::size_t kMostVolumes = 64;
  if (count > kMostVolumes)
    return gatherPlain(samples, volumes, voxels, n, first, count, keys, ranges);
  const std::size_t squareVolumes = count / 8 * 8;
  __m256i least[kMostVolumes], most[kMostVolumes];
  for (std::size_t b = 0; b < squareVolumes; ++b) {
    least[b] = _mm256_set1_epi32(-1);
    most[b] = _mm256_setzero_si256();
  }
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const Sample* c[8];
    for (std::size_t r = 0; r < 8; ++r) {
      c[r] = samples + voxels[i + r] * volumes + first;
      fetchAhead(samples, volumes, voxels, n, i + r, first, count);
    }
    for (std::size_t b = 0; b < squareVolumes; b += 8) {
      const __m256 t0 = _mm256_unpacklo_ps(eightAt(c[0] + b), eightAt(c[1] + b));
      const __m256 t1 = _mm256_unpackhi_ps(eightAt(c[0] + b), eightAt(c[1] + b));
      const __m256 t2 = _mm256_unpacklo_ps(eightAt(c[2] + b), eightAt(c[3] + b));
      const __m256 t3 = _mm256_unpackhi_ps(eightAt(c[2] + b), eightAt(c[3] + b));
      const __m256 t4 = _mm256_unpacklo_ps(eightAt(c[4] + b), eightAt(c[5] + b));
      const __m256 t5 = _mm256_unpackhi_ps(eightAt(c[4] + b), eightAt(c[5] + b));
      const __m256 t6 = _mm256_unpacklo_ps(eightAt(c[6] + b), eightAt(c[7] + b));
      const __m256 t7 = _mm256_unpackhi_ps(eightAt(c[6] + b), eightAt(c[7] + b));
      const __m256 s0 = _mm256_shuffle_ps(t0, t2, 0x44), s1 = _mm256_shuffle_ps(t0, t2, 0xEE);
      const __m256 s2 = _mm256_shuffle_ps(t1, t3, 0x44), s3 = _mm256_shuffle_ps(t1, t3, 0xEE);
      const __m256 s4 = _mm256_shuffle_ps(t4, t6, 0x44), s5 = _mm256_shuffle_ps(t4, t6, 0xEE);
      const __m256 s6 = _mm256_shuffle_ps(t5, t7, 0x44), s7 = _mm256_shuffle_ps(t5, t7, 0xEE);
      // Row v holds volume b + v of the eight voxels.
      const __m256 rows[8] = {
          _mm256_permute2f128_ps(s0, s4, 0x20), _mm256_permute2f128_ps(s1, s5, 0x20),
          _mm256_permute2f128_ps(s2, s6, 0x20), _mm256_permute2f128_ps(s3, s7, 0x20),
          _mm256_permute2f128_ps(s0, s4, 0x31), _mm256_permute2f128_ps(s1, s5, 0x31),
          _mm256_permute2f128_ps(s2, s6, 0x31), _mm256_permute2f128_ps(s3, s7, 0x31)};
      for (std::size_t v = 0; v < 8; ++v) {
        const __m256i key = keysOf(rows[v]);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(keys + (b + v) * n + i), key);
        least[b + v] = _mm256_min_epu32(least[b + v], key);
        most[b + v] = _mm256_max_epu32(most[b + v], key);
      }
    }
    for (std::size_t r = 0; r < 8; ++r) {
      gatherVoxel(samples, volumes, voxels, n, i + r, first, squareVolumes, count, keys, ranges);
    }
  }
  for (; i < n; ++i) {
    gatherVoxel(samples, volumes, voxels, n, i, first, 0, count, keys, ranges);
  }
  for (std::size_t b = 0; b < squareVolumes; ++b) {
    alignas(32) std::uint32_t lanes[16];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), least[b]);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes + 8), most[b]);
    for (std::size_t k = 0; k < 8; ++k) {
      ranges[b].least = std::min(ranges[b].least, lanes[k]);
      ranges[b].most = std::max(ranges[b].most, lanes[8 + k]);
    }
  }
}

#endif

template <typename Sample>
void gather(const Sample* samples, std::size_t volumes, const std::size_t* voxels, std::size_t n,
            std::size_t first, std::size_t count, std::uint32_t* keys, KeyRange* ranges) {
  for (std::size_t b = 0; b < count; ++b) ranges[b] = KeyRange{};
#if defined(QUORVEL_VOLUME_KEYS_AVX2)
  if (processorVectorBits() >= 256) {
    return gatherAvx2(samples, volumes, voxels, n, first, count, keys, ranges);
  }
#endif
  gatherPlain(samples, volumes, voxels, n, first, count, keys, ranges);
}

}  // namespace

void gatherVolumeKeys(const float* samples, std::size_t volumes, const std::size_t* voxels,
                      std::size_t n, std::size_t first, std::size_t count, std::uint32_t* keys,
                      KeyRange* ranges) {
  gather(samples, volumes, voxels, n, first, count, keys, ranges);
}

void gatherVolumeKeys(const std::int16_t* samples, std::size_t volumes, const std::size_t* voxels,
                      std::size_t n, std::size_t first, std::size_t count, std::uint32_t* keys,
                      KeyRange* ranges) {
  gather(samples, volumes, voxels, n, first, count, keys, ranges);
}

}  // namespace quorvel::cli
