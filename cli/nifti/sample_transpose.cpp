#include "cli/nifti/sample_transpose.h"

#include <algorithm>
#include <cstring>

#include "cli/base/processor_vectors.h"
#include "cli/nifti/time_major_layout.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#include <xmmintrin.h>
#endif

// Processors with 256-bit vectors move floats in 8 x 8 squares, chosen at
// run time: the build itself assumes no more than SSE2.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVEL_TRANSPOSE_AVX2 1
#include <immintrin.h>
#endif

namespace quorvel::cli {
namespace {

template <typename Sample>
Sample loadAt(const unsigned char* bytes) {
  Sample value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// A float's exponent bits all set: NaN or infinite.
bool isNonFinite(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return (bits & 0x7f800000u) == 0x7f800000u;
}

// Walks the block tile by tile as scatterVolumes does, handing each full
// Side x Side square of a tile (Side volumes of Side voxels) to
// `square(from, to, sums)` and every sample outside the squares to
// `one(from, to, sum)`, with the running sums of the voxels concerned.
// `square.endTile()` runs after each tile. Each voxel's samples arrive in
// volume order, so its sum adds them in the plug-in's order.
template <std::size_t Side, typename Sample, typename Square, typename One>
void transposeTiles(const unsigned char* block, const VolumeBlockShape& shape, Sample* timeMajor,
                    float* runningSums, Square& square, One one) {
  const std::size_t stride = shape.volumeCount;
  for (std::size_t voxel0 = 0; voxel0 < shape.voxelCount; voxel0 += kTileVoxels) {
    const std::size_t voxels = std::min(kTileVoxels, shape.voxelCount - voxel0);
    const std::size_t squareVoxels = voxels / Side * Side;
    float* sums = runningSums + voxel0;
    for (std::size_t volume0 = 0; volume0 < shape.blockVolumes; volume0 += kTileVolumes) {
      const std::size_t volumes = std::min(kTileVolumes, shape.blockVolumes - volume0);
      for (std::size_t v = 0; v < volumes; v += Side) {
        const unsigned char* rows =
            block + (volume0 + v) * shape.rowBytes + voxel0 * sizeof(Sample);
        Sample* to = timeMajor + voxel0 * stride + shape.firstVolume + volume0 + v;
        const std::size_t rowCount = std::min(Side, volumes - v);
        const std::size_t fullUpTo = rowCount == Side ? squareVoxels : 0;
        for (std::size_t k = 0; k < fullUpTo; k += Side) {
          square(rows + k * sizeof(Sample), to + k * stride, sums + k);
        }
        for (std::size_t k = fullUpTo; k < voxels; ++k) {
          for (std::size_t r = 0; r < rowCount; ++r) {
            one(rows + r * shape.rowBytes + k * sizeof(Sample), to + k * stride + r, sums + k);
          }
        }
      }
      square.endTile();
    }
  }
}

// One sample added to a voxel's sum as the plug-in adds it: in double
// precision, rounded to float. (Double has more than twice float's
// precision, so this is also the plain float addition the vector squares
// use.)
template <typename Sample>
void addToSum(float& sum, Sample value) {
  sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(value));
}

#if defined(__SSE2__)

__m128i load128(const unsigned char* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

// 4 x 4 floats: four volumes of four voxels in, four time courses of four
// volumes out, with a running per-lane tally of non-finite values.
struct FloatSquare {
  std::size_t rowBytes, stride;
  std::uint64_t nonFinite = 0;
  __m128i tally = _mm_setzero_si128();  // minus the count, per lane

  void count(__m128 values) {
    const __m128i exponent = _mm_set1_epi32(0x7f800000);
    const __m128i bits = _mm_and_si128(_mm_castps_si128(values), exponent);
    tally = _mm_add_epi32(tally, _mm_cmpeq_epi32(bits, exponent));
  }
  void operator()(const unsigned char* from, float* to, float* sums) {
    __m128 a = _mm_castsi128_ps(load128(from));
    __m128 b = _mm_castsi128_ps(load128(from + rowBytes));
    __m128 c = _mm_castsi128_ps(load128(from + 2 * rowBytes));
    __m128 d = _mm_castsi128_ps(load128(from + 3 * rowBytes));
    count(a);
    count(b);
    count(c);
    count(d);
    __m128 sum = _mm_loadu_ps(sums);
    sum = _mm_add_ps(sum, a);
    sum = _mm_add_ps(sum, b);
    sum = _mm_add_ps(sum, c);
    sum = _mm_add_ps(sum, d);
    _mm_storeu_ps(sums, sum);
    _MM_TRANSPOSE4_PS(a, b, c, d);
    _mm_storeu_ps(to, a);
    _mm_storeu_ps(to + stride, b);
    _mm_storeu_ps(to + 2 * stride, c);
    _mm_storeu_ps(to + 3 * stride, d);
  }
  // A tile adds at most 1024 to a lane, far from the int32 limit.
  void endTile() {
    alignas(16) std::int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), tally);
    for (std::int32_t lane : lanes) nonFinite += static_cast<std::uint64_t>(-lane);
    tally = _mm_setzero_si128();
  }
};
constexpr std::size_t kFloatSide = 4;

// 8 x 8 16-bit samples through three rounds of interleaving.
struct Int16Square {
  std::size_t rowBytes, stride;

  // Inlined and unrolled, so that the rows stay in registers: a call per
  // square with its rows on the stack takes several times the moving.
  inline __attribute__((always_inline)) void operator()(const unsigned char* from, std::int16_t* to,
                                                        float* sums) const {
    __m128i a[8];
#pragma GCC unroll 8
    for (std::size_t r = 0; r < 8; ++r) a[r] = load128(from + r * rowBytes);
    // Each row's voxels as floats (sign-extended to 32 bits, converted
    // exactly), added to the sums of voxels 0-3 and 4-7.
    __m128 low = _mm_loadu_ps(sums), high = _mm_loadu_ps(sums + 4);
#pragma GCC unroll 8
    for (std::size_t r = 0; r < 8; ++r) {
      low = _mm_add_ps(low, _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(a[r], a[r]), 16)));
      high = _mm_add_ps(high, _mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(a[r], a[r]), 16)));
    }
    _mm_storeu_ps(sums, low);
    _mm_storeu_ps(sums + 4, high);
    __m128i b[8], c[8];
#pragma GCC unroll 4
    for (std::size_t r = 0; r < 8; r += 2) {
      b[r] = _mm_unpacklo_epi16(a[r], a[r + 1]);
      b[r + 1] = _mm_unpackhi_epi16(a[r], a[r + 1]);
    }
#pragma GCC unroll 2
    for (std::size_t half = 0; half < 8; half += 4) {
      c[half] = _mm_unpacklo_epi32(b[half], b[half + 2]);
      c[half + 1] = _mm_unpackhi_epi32(b[half], b[half + 2]);
      c[half + 2] = _mm_unpacklo_epi32(b[half + 1], b[half + 3]);
      c[half + 3] = _mm_unpackhi_epi32(b[half + 1], b[half + 3]);
    }
#pragma GCC unroll 4
    for (std::size_t pair = 0; pair < 4; ++pair) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 2 * pair * stride),
                       _mm_unpacklo_epi64(c[pair], c[pair + 4]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to + (2 * pair + 1) * stride),
                       _mm_unpackhi_epi64(c[pair], c[pair + 4]));
    }
  }
  void endTile() {}
};
constexpr std::size_t kInt16Side = 8;

#else

// Without vector registers a square is moved sample by sample.
template <typename Sample, std::size_t Side>
struct PlainSquare {
  std::size_t rowBytes, stride;
  std::uint64_t nonFinite = 0;

  void operator()(const unsigned char* from, Sample* to, float* sums) {
    for (std::size_t r = 0; r < Side; ++r) {
      for (std::size_t k = 0; k < Side; ++k) {
        const Sample value = loadAt<Sample>(from + r * rowBytes + k * sizeof(Sample));
        if constexpr (sizeof(Sample) == 4) nonFinite += isNonFinite(value) ? 1 : 0;
        to[k * stride + r] = value;
        addToSum(sums[k], value);
      }
    }
  }
  void endTile() {}
};
using FloatSquare = PlainSquare<float, 4>;
using Int16Square = PlainSquare<std::int16_t, 4>;
constexpr std::size_t kFloatSide = 4;
constexpr std::size_t kInt16Side = 4;

#endif

// The float samples outside whole squares, one at a time.
struct FloatEdge {
  std::uint64_t& nonFinite;
  void operator()(const unsigned char* from, float* to, float* sum) const {
    *to = loadAt<float>(from);
    nonFinite += isNonFinite(*to) ? 1 : 0;
    addToSum(*sum, *to);
  }
};

#if defined(QUORVEL_TRANSPOSE_AVX2)

// 8 x 8 floats: eight volumes of eight voxels in, eight time courses of
// eight volumes out, with the sums and tally FloatSquare keeps. Every row
// is a named register: in arrays the compiler left them on the stack,
// which made the square slower than the 4 x 4 one.
struct FloatSquare8 {
  std::size_t rowBytes, stride;
  std::uint64_t nonFinite;
  __m256i tally;  // minus the count, per lane

  __attribute__((target("avx2"))) __m256 row(const unsigned char* from, std::size_t r) {
    const __m256 values = _mm256_loadu_ps(reinterpret_cast<const float*>(from + r * rowBytes));
    const __m256i exponent = _mm256_set1_epi32(0x7f800000);
    const __m256i bits = _mm256_and_si256(_mm256_castps_si256(values), exponent);
    tally = _mm256_add_epi32(tally, _mm256_cmpeq_epi32(bits, exponent));
    return values;
  }
  __attribute__((target("avx2"))) void operator()(const unsigned char* from, float* to,
                                                  float* sums) {
    const __m256 r0 = row(from, 0), r1 = row(from, 1), r2 = row(from, 2), r3 = row(from, 3);
    const __m256 r4 = row(from, 4), r5 = row(from, 5), r6 = row(from, 6), r7 = row(from, 7);
    __m256 sum = _mm256_loadu_ps(sums);
    sum = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_add_ps(sum, r0), r1), r2), r3);
    sum = _mm256_add_ps(_mm256_add_ps(_mm256_add_ps(_mm256_add_ps(sum, r4), r5), r6), r7);
    _mm256_storeu_ps(sums, sum);
    // Pairs of rows interleaved, then pairs of pairs, then the halves.
    const __m256 t0 = _mm256_unpacklo_ps(r0, r1), t1 = _mm256_unpackhi_ps(r0, r1);
    const __m256 t2 = _mm256_unpacklo_ps(r2, r3), t3 = _mm256_unpackhi_ps(r2, r3);
    const __m256 t4 = _mm256_unpacklo_ps(r4, r5), t5 = _mm256_unpackhi_ps(r4, r5);
    const __m256 t6 = _mm256_unpacklo_ps(r6, r7), t7 = _mm256_unpackhi_ps(r6, r7);
    const __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44), u1 = _mm256_shuffle_ps(t0, t2, 0xee);
    const __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44), u3 = _mm256_shuffle_ps(t1, t3, 0xee);
    const __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44), u5 = _mm256_shuffle_ps(t4, t6, 0xee);
    const __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44), u7 = _mm256_shuffle_ps(t5, t7, 0xee);
    _mm256_storeu_ps(to, _mm256_permute2f128_ps(u0, u4, 0x20));
    _mm256_storeu_ps(to + stride, _mm256_permute2f128_ps(u1, u5, 0x20));
    _mm256_storeu_ps(to + 2 * stride, _mm256_permute2f128_ps(u2, u6, 0x20));
    _mm256_storeu_ps(to + 3 * stride, _mm256_permute2f128_ps(u3, u7, 0x20));
    _mm256_storeu_ps(to + 4 * stride, _mm256_permute2f128_ps(u0, u4, 0x31));
    _mm256_storeu_ps(to + 5 * stride, _mm256_permute2f128_ps(u1, u5, 0x31));
    _mm256_storeu_ps(to + 6 * stride, _mm256_permute2f128_ps(u2, u6, 0x31));
    _mm256_storeu_ps(to + 7 * stride, _mm256_permute2f128_ps(u3, u7, 0x31));
  }
  // A tile adds at most 512 to a lane.
  __attribute__((target("avx2"))) void endTile() {
    alignas(32) std::int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), tally);
    for (std::int32_t lane : lanes) nonFinite += static_cast<std::uint64_t>(-lane);
    tally = _mm256_setzero_si256();
  }
};

__attribute__((target("avx2"), flatten)) std::uint64_t transposeFloatAvx2(
    const unsigned char* block, const VolumeBlockShape& shape, float* timeMajor,
    float* runningSums) {
  FloatSquare8 square{shape.rowBytes, shape.volumeCount, 0, _mm256_setzero_si256()};
  std::uint64_t edgeNonFinite = 0;
  transposeTiles<8>(block, shape, timeMajor, runningSums, square, FloatEdge{edgeNonFinite});
  return square.nonFinite + edgeNonFinite;
}

bool hasAvx2() { return processorVectorBits() >= 256; }

#endif

}  // namespace

std::uint64_t transposeFloatVolumes(const unsigned char* block, const VolumeBlockShape& shape,
                                    float* timeMajor, float* runningSums, SquareWidth width) {
#if defined(QUORVEL_TRANSPOSE_AVX2)
  if (width == SquareWidth::kWidest && hasAvx2()) {
    return transposeFloatAvx2(block, shape, timeMajor, runningSums);
  }
#endif
  FloatSquare square{shape.rowBytes, shape.volumeCount};
  std::uint64_t edgeNonFinite = 0;
  transposeTiles<kFloatSide>(block, shape, timeMajor, runningSums, square,
                             FloatEdge{edgeNonFinite});
  return square.nonFinite + edgeNonFinite;
}

void transposeInt16Volumes(const unsigned char* block, const VolumeBlockShape& shape,
                           std::int16_t* timeMajor, float* runningSums) {
  Int16Square square{shape.rowBytes, shape.volumeCount};
  transposeTiles<kInt16Side>(block, shape, timeMajor, runningSums, square,
                             [](const unsigned char* from, std::int16_t* to, float* sum) {
                               *to = loadAt<std::int16_t>(from);
                               addToSum(*sum, *to);
                             });
}

}  // namespace quorvel::cli
