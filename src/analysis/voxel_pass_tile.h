// The voxel pass in SIMD lanes, one voxel per lane, over time-major tiles.
//
// Each voxel's series is first read straight through for a rough sum, which
// tells most background voxels (mean not above the intensity floor) at
// once: they get their zeros and nothing more. The others are gathered into
// a work tile of bright voxels, so the costly statistics run only where a
// voxel may get values. Filling the tile transposes the series and sums them
// by the mean rule in the same sweep (a voxel that the rule then finds to be
// background after all gets its zeros there); further sweeps compute the
// spread around the mean, the standardisation with outliers, spikes and
// extremes, and both lags of the autocorrelation together.
//
// Every lane produces exactly the scalar pass's bits. Most sums keep the
// scalar rule's double operations and its rounding to single precision after
// each step. Where the rule is float(double(a) OP double(b)) for floats a and
// b and one of + - / (the running sums of samples and of standardised
// values, the standardisation itself), the lane uses the single-precision
// operation a OP b instead: for binary32 operands, an operation rounded to
// binary64 and then to binary32 equals the operation rounded once to binary32
// under round-to-nearest, because 53 >= 2 * 24 + 2 (so double rounding never
// lands on a wrong neighbour), and this holds for overflow to infinity,
// subnormal results, signed zeros and NaNs alike. The caller runs the kernels
// only under round-to-nearest without flush-to-zero or denormals-are-zero.
// Sums whose added term is a double product (squared deviations, lagged
// products) are not one binary32 operation and stay in double.
//
// Included by each kernel file after voxel_pass_lanes.h, which supplies the
// lane operations of that file's instruction set. kTileVectors is the number
// of double vectors across a work tile: enough running sums in flight to hide
// the addition latency.
#ifndef QUORVEL_ANALYSIS_VOXEL_PASS_TILE_H_
#define QUORVEL_ANALYSIS_VOXEL_PASS_TILE_H_

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "analysis/statistics_constants.h"
#include "analysis/voxel_pass_job.h"

namespace quorvel {
namespace {

// Voxels of one work tile, and its float vectors across.
constexpr int kWorkVoxels = kTileVectors * kLaneCount;
constexpr int kWorkFloats = kWorkVoxels / kFloatLanes;

static_assert(kFloatLanes == kBlocksPerFloats * kBlockSize,
              "transposed blocks fill whole vectors");
static_assert(kWorkVoxels % kFloatLanes == 0, "work tiles are whole vectors");
static_assert(kWorkVoxels <= kVoxelPassTileFloatsPerVolume,
              "tile buffer too small");

constexpr unsigned kFloatLaneBits = (1u << kFloatLanes) - 1u;

// Whether a voxel's series, summed in any order, is sure to have a mean
// (by the rule: the running sum S = float(double(S) + x) in volume order,
// then float(double(S) / t)) not above the intensity floor.
//
// `sum` and `magnitudes` are the sums of the samples and of their absolute
// values, each sample having passed through at most t + 128 roundings to
// single or double precision. With u = 2^-24 and g = n u / (1 - n u) for
// n = t + 128, both the rule's S and `sum` lie within g * sum|x| of the
// exact sum, and `magnitudes` >= (1 - g) * sum|x|, so S lies within
// 2 g magnitudes / (1 - g) of `sum`. When S < 100 t, S / t < 100 and the
// mean, rounded twice from it, is at most 100. NaN and infinite sums are
// never sure.
bool surelyBackground(double sum, double magnitudes, int t) {
  const double n = static_cast<double>(t) + 128.0;
  const double u = 0x1p-24;
  if (!(n * u < 0.5)) return false;
  const double g = n * u / (1.0 - n * u);
  const double error = 2.0 * g * magnitudes / (1.0 - g) * (1.0 + 0x1p-30);
  const double upper = sum + error;
  // The slack covers the roundings of these few double operations.
  const double slack = (upper < 0.0 ? -upper : upper) * 0x1p-40;
  return upper + slack < kIntensityFloor * static_cast<double>(t);
}

// Sums one voxel's series and its absolute values in float lanes, in no
// particular order, for surelyBackground; reads the series once, front to
// back.
template <typename Sample>
bool readsAsBackground(const Sample* series, int t) {
  constexpr int F = kFloatLanes;
  Floats sum[4], magnitudes[4];
  for (int j = 0; j < 4; ++j) sum[j] = magnitudes[j] = splatFloats(0.0f);
  int v = 0;
  for (; v + 4 * F <= t; v += 4 * F) {
#pragma GCC unroll 4
    for (int j = 0; j < 4; ++j) {
      const Floats x = loadFloatsOf(series + v + j * F);
      sum[j] = add(sum[j], x);
      magnitudes[j] = add(magnitudes[j], magnitude(x));
    }
  }
  for (; v + F <= t; v += F) {
    const Floats x = loadFloatsOf(series + v);
    sum[0] = add(sum[0], x);
    magnitudes[0] = add(magnitudes[0], magnitude(x));
  }
  double total = sumOfLanes(add(add(sum[0], sum[1]), add(sum[2], sum[3])));
  double totalMagnitude = sumOfLanes(add(add(magnitudes[0], magnitudes[1]),
                                         add(magnitudes[2], magnitudes[3])));
  for (; v < t; ++v) {
    const double x = static_cast<double>(series[v]);
    total += x;
    totalMagnitude += x < 0.0 ? -x : x;
  }
  return surelyBackground(total, totalMagnitude, t);
}

// Copies the series of `valid` voxels into the work tile, time major
// (tile[v * kWorkVoxels + lane]), and stores each lane's mean by the rule:
// the running sum sum = float(double(sum) + x) in volume order is the
// single-precision sum + x (exact, see the top), summed while the
// transposed rows are in registers, and the mean float(double(sum) / t) is
// taken per lane as the rule writes it. Lanes past `valid` repeat the first
// voxel; they are computed and never used. A 16-bit sample converts to
// float exactly.
template <typename Sample>
void fillWorkTile(const Sample* samples, const std::size_t* voxels, int valid,
                  int t, float* tile, float* means) {
  constexpr int F = kFloatLanes;
  const std::size_t volumes = static_cast<std::size_t>(t);
  const Sample* series[kWorkVoxels];
  for (int lane = 0; lane < kWorkVoxels; ++lane) {
    series[lane] = samples + voxels[lane < valid ? lane : 0] * volumes;
  }
  Floats sum[kWorkFloats];
  for (int k = 0; k < kWorkFloats; ++k) sum[k] = splatFloats(0.0f);
  const std::size_t blocked = volumes - volumes % kBlockSize;
  for (std::size_t v0 = 0; v0 < blocked; v0 += kBlockSize) {
    for (int k = 0; k < kWorkFloats; ++k) {
      SampleRow rows[kBlocksPerFloats * kBlockSize];
      for (int b = 0; b < kBlocksPerFloats; ++b) {
        const Sample* const* block = series + k * F + b * kBlockSize;
        for (int j = 0; j < kBlockSize; ++j) {
          rows[b * kBlockSize + j] = loadRow(block[j] + v0);
        }
        transposeBlock(rows + b * kBlockSize);
      }
      for (int i = 0; i < kBlockSize; ++i) {
        const Floats row = blockRowsAsFloats(rows + i, kBlockSize);
        storeFloats(
            tile + (v0 + static_cast<std::size_t>(i)) * kWorkVoxels + k * F,
            row);
        sum[k] = add(sum[k], row);
      }
    }
  }
  for (std::size_t v = blocked; v < volumes; ++v) {
    float* r = tile + v * kWorkVoxels;
    for (int lane = 0; lane < kWorkVoxels; ++lane) {
      r[lane] = static_cast<float>(series[lane][v]);
    }
    for (int k = 0; k < kWorkFloats; ++k)
      sum[k] = add(sum[k], loadFloats(r + k * F));
  }
  for (int k = 0; k < kWorkFloats; ++k) storeFloats(means + k * F, sum[k]);
  for (int lane = 0; lane < kWorkVoxels; ++lane) {
    means[lane] = static_cast<float>(static_cast<double>(means[lane]) / t);
  }
}

// The absolute value of a float, as std::fabs gives it.
inline float absolute(float x) { return std::fabs(x); }

// Counts the spikes among the lanes of `bits` at one volume u: `at` holds
// volume u, `before` u - 1 and `after` u + 1 of each lane's standardised
// series (only those that exist are read). Spikes are rare, so each
// candidate is tested one by one with the scalar rule's expressions.
int spikesAmong(unsigned bits, Floats before, Floats at, Floats after,
                bool first, bool last, float spikeDef) {
  alignas(64) float b[kFloatLanes];
  alignas(64) float a[kFloatLanes];
  alignas(64) float c[kFloatLanes];
  storeFloats(b, before);
  storeFloats(a, at);
  storeFloats(c, after);
  int spikes = 0;
  for (int lane = 0; bits != 0; ++lane, bits >>= 1) {
    if ((bits & 1u) == 0) continue;
    float difference;
    if (first) {
      difference = static_cast<float>(static_cast<double>(a[lane]) - c[lane]);
    } else if (last) {
      difference = static_cast<float>(static_cast<double>(a[lane]) - b[lane]);
    } else {
      difference = static_cast<float>(a[lane] -
                                      (static_cast<double>(b[lane]) + c[lane]) *
                                          kNeighbourWeight);
    }
    if (absolute(difference) > spikeDef) ++spikes;
  }
  return spikes;
}

// Autocorrelation of each lane's series from its lagged sum of products,
// its pairs and its standard deviation: 0 unless the deviation is above the
// floor.
inline Lanes autocorrelation(Lanes lagSum, int pairs, Lanes sd) {
  const Lanes denominator = mul(mul(splat(static_cast<double>(pairs)), sd), sd);
  return select(greater(sd, splat(kDeviationFloor)),
                toSingle(div(lagSum, denominator)), splat(0.0));
}

// Standard deviation with divisor t - 1 from a sum of squared deviations;
// 0 for a single volume.
inline Lanes deviationFromSquares(Lanes squares, int t) {
  if (t < 2) return splat(0.0);
  return toSingle(
      squareRoot(toSingle(div(squares, splat(static_cast<double>(t - 1))))));
}

// Zeros in every requested map at a background voxel.
void writeBackground(const VoxelPassJob& job, std::size_t voxel) {
  if (job.tsnr != nullptr) job.tsnr[voxel] = 0.0f;
  if (job.outliers != nullptr) job.outliers[voxel] = 0.0f;
  if (job.laggedAutocorrelation != nullptr) {
    job.laggedAutocorrelation[voxel] = 0.0f;
  }
}

// Runs the pass over the first `valid` lanes of a filled work tile, whose
// lanes hold the series of `voxels` with their `means`: adds the outliers
// and spikes of the lanes above the intensity floor to the job's counts and
// writes their map values (zeros for the others), leaving the standardised
// series in the tile.
//
// The samples that the pass reads next are asked into the cache during the
// first sweep (`nextLines` cache lines from `next`), so that reading them
// overlaps this arithmetic instead of following it.
void passWorkTile(float* tile, int valid, const std::size_t* voxels,
                  const float* means, const char* next, std::size_t nextLines,
                  const VoxelPassJob& job) {
  constexpr int K = kWorkFloats;
  constexpr int H = 2 * kWorkFloats;  // double vectors across
  constexpr int F = kFloatLanes;
  constexpr int D = kLaneCount;
  const int t = job.t;
  const std::size_t volumes = static_cast<std::size_t>(t);
  auto row = [tile](std::size_t v) { return tile + v * kWorkVoxels; };

  // Lanes that get values and counts: the scalar rule's test of the mean.
  unsigned activeBits[K] = {};
  for (int lane = 0; lane < valid; ++lane) {
    if (means[lane] > kIntensityFloor) activeBits[lane / F] |= 1u << (lane % F);
  }

  // Spread around the mean, in double, and each series' extremes.
  Lanes meanD[H];
  for (int h = 0; h < H; ++h) meanD[h] = loadAsDoubles(means + h * D);
  Lanes sd[H];
  Floats highest[K], lowest[K];
  {
    Lanes squares[H];
    for (int h = 0; h < H; ++h) squares[h] = splat(0.0);
    for (int k = 0; k < K; ++k)
      highest[k] = lowest[k] = loadFloats(row(0) + k * F);
    const std::size_t linesPerVolume = (nextLines + volumes - 1) / volumes;
    for (std::size_t v = 0; v < volumes; ++v) {
      for (std::size_t i = 0, line = v * linesPerVolume;
           i < linesPerVolume && line < nextLines; ++i, ++line) {
        _mm_prefetch(next + line * 64, _MM_HINT_T1);
      }
#pragma GCC unroll 16
      for (int h = 0; h < H; ++h) {
        const Lanes d = sub(loadAsDoubles(row(v) + h * D), meanD[h]);
        squares[h] = toSingle(add(squares[h], mul(d, d)));
      }
#pragma GCC unroll 16
      for (int k = 0; k < K; ++k) {
        const Floats x = loadFloats(row(v) + k * F);
        highest[k] = larger(x, highest[k]);
        lowest[k] = smaller(x, lowest[k]);
      }
    }
    for (int h = 0; h < H; ++h) sd[h] = deviationFromSquares(squares[h], t);
  }

  // A series is standardised (divided by its deviation) when the deviation
  // is above the floor, else only centred: dividing by exactly 1 changes no
  // bit. The scalar rule is float((double(x) - mean) / divisor). A lane may
  // use (x - mean) / divisor in single precision when x - mean is exact in
  // single precision for every sample, as Sterbenz's lemma guarantees when
  // mean / 2 <= x <= 2 * mean (the mean is above the floor, so positive):
  // then both operations are binary32 operations on binary32 values. When
  // only centred, float(double(x) - mean) is one such operation anyway.
  // Vectors with a lane outside that range take the double rule.
  Lanes divisorD[H];
  Floats meanF[K], divisorF[K];
  unsigned countsOutliers[K];
  bool singleOps[K];
  for (int k = 0; k < K; ++k) {
    unsigned standardised = 0;
    for (int half = 0; half < 2; ++half) {
      const Lanes s = sd[2 * k + half];
      const LaneMask above = greater(s, splat(kDeviationFloor));
      divisorD[2 * k + half] = select(above, s, splat(1.0));
      standardised |= maskBits(above) << (half * D);
    }
    meanF[k] = loadFloats(means + k * F);
    divisorF[k] = narrow(divisorD[2 * k], divisorD[2 * k + 1]);
    countsOutliers[k] = standardised & activeBits[k];
    // Halving and doubling a mean above the floor are exact (doubling may
    // overflow to infinity, and then every finite x is below 2 * mean).
    const Floats halfMean = mul(meanF[k], splatFloats(0.5f));
    const Floats twiceMean = mul(meanF[k], splatFloats(2.0f));
    const unsigned outside = maskBits(greater(halfMean, lowest[k])) |
                             maskBits(greater(highest[k], twiceMean));
    const unsigned exact = ~outside | ~standardised;
    singleOps[k] = (exact & activeBits[k]) == activeBits[k];
  }
  auto standardise = [&](std::size_t v, int k) {
    const float* p = row(v) + k * F;
    if (singleOps[k]) return div(sub(loadFloats(p), meanF[k]), divisorF[k]);
    return narrow(
        div(sub(loadAsDoubles(p), meanD[2 * k]), divisorD[2 * k]),
        div(sub(loadAsDoubles(p + D), meanD[2 * k + 1]), divisorD[2 * k + 1]));
  };

  // Standardise, count outliers, sum the new series (the mean rule again,
  // in single precision as for the samples), track its extremes, and test
  // volume v - 1 for a spike once its right neighbour v is known.
  const Floats maxDeviation = splatFloats(job.maxDeviation);
  Floats aSum[K], largest[K], smallest[K], before[K], previous[K];
  unsigned previousBeyond[K];
  for (int k = 0; k < K; ++k) {
    aSum[k] = before[k] = previous[k] = splatFloats(0.0f);
    previousBeyond[k] = 0;
    // The extremes start at the first value, which the sweep offers again:
    // a value never replaces itself.
    largest[k] = smallest[k] = standardise(0, k);
  }
  for (std::size_t v = 0; v < volumes; ++v) {
    int outliers = 0;
    unsigned anyCandidate = 0;
    unsigned candidates[K];
    Floats a[K];
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) {
      a[k] = standardise(v, k);
      storeFloats(row(v) + k * F, a[k]);
      aSum[k] = add(aSum[k], a[k]);
      largest[k] = larger(a[k], largest[k]);
      smallest[k] = smaller(a[k], smallest[k]);
      const unsigned beyond = maskBits(greater(magnitude(a[k]), maxDeviation));
      const unsigned counted = beyond & countsOutliers[k];
      if (counted != 0) outliers += countBits(counted);
      candidates[k] = previousBeyond[k] & activeBits[k];
      anyCandidate |= candidates[k];
      previousBeyond[k] = beyond;
    }
    if (outliers != 0) job.outlierCounts[v] += outliers;
    if (anyCandidate != 0) {
      int spikes = 0;
      for (int k = 0; k < K; ++k) {
        if (candidates[k] == 0) continue;
        spikes += spikesAmong(candidates[k], before[k], previous[k], a[k],
                              v == 1, false, job.spikeDefinition);
      }
      job.spikeCounts[v - 1] += spikes;
    }
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) {
      before[k] = previous[k];
      previous[k] = a[k];
    }
  }
  if (t >= 2) {
    int spikes = 0;
    for (int k = 0; k < K; ++k) {
      const unsigned candidates = previousBeyond[k] & activeBits[k];
      if (candidates == 0) continue;
      spikes += spikesAmong(candidates, before[k], previous[k], previous[k],
                            false, true, job.spikeDefinition);
    }
    job.spikeCounts[t - 1] += spikes;
  }

  // Per-lane values, by the scalar rule's own expressions.
  alignas(64) float sdLanes[kWorkVoxels];
  alignas(64) float largestLanes[kWorkVoxels];
  alignas(64) float smallestLanes[kWorkVoxels];
  alignas(64) float aMeans[kWorkVoxels];
  alignas(64) float autocorrelations[kWorkVoxels];
  for (int k = 0; k < K; ++k) {
    storeFloats(sdLanes + k * F, narrow(sd[2 * k], sd[2 * k + 1]));
    storeFloats(largestLanes + k * F, largest[k]);
    storeFloats(smallestLanes + k * F, smallest[k]);
    storeFloats(aMeans + k * F, aSum[k]);
  }
  for (int lane = 0; lane < kWorkVoxels; ++lane) {
    aMeans[lane] = static_cast<float>(static_cast<double>(aMeans[lane]) / t);
  }

  if (job.laggedAutocorrelation != nullptr) {
    // Both lags from one sweep over the standardised series: its mean and
    // standard deviation are the same for the two, and each lagged product
    // joins its sum in index order, term i once volume i + lag is read.
    const int pairs1 = (t % 2 == 0) ? t - 1 : t - 2;
    const int pairs2 = (t % 2 == 0) ? t - 2 : t - 3;
    Lanes aMean[H], squares[H], lag1[H], lag2[H], d1[H], d2[H];
    for (int h = 0; h < H; ++h) {
      aMean[h] = loadAsDoubles(aMeans + h * D);
      squares[h] = lag1[h] = lag2[h] = d1[h] = d2[h] = splat(0.0);
    }
    for (std::size_t v = 0; v < volumes; ++v) {
      const long long i = static_cast<long long>(v);
      const bool withLag1 = i >= 1 && i - 1 < pairs1;
      const bool withLag2 = i >= 2 && i - 2 < pairs2;
#pragma GCC unroll 16
      for (int h = 0; h < H; ++h) {
        const Lanes d = sub(loadAsDoubles(row(v) + h * D), aMean[h]);
        squares[h] = toSingle(add(squares[h], mul(d, d)));
        if (withLag1) lag1[h] = toSingle(add(lag1[h], mul(d1[h], d)));
        if (withLag2) lag2[h] = toSingle(add(lag2[h], mul(d2[h], d)));
        d2[h] = d1[h];
        d1[h] = d;
      }
    }
    for (int k = 0; k < K; ++k) {
      Lanes value[2];
      for (int half = 0; half < 2; ++half) {
        const int h = 2 * k + half;
        const Lanes aSd = deviationFromSquares(squares[h], t);
        const Lanes r1 = autocorrelation(lag1[h], pairs1, aSd);
        const Lanes r2 = autocorrelation(lag2[h], pairs2, aSd);
        value[half] = add(r1, r2);
      }
      storeFloats(autocorrelations + k * F, narrow(value[0], value[1]));
    }
  }

  for (int lane = 0; lane < valid; ++lane) {
    const std::size_t voxel = voxels[lane];
    if (((activeBits[lane / F] >> (lane % F)) & 1u) == 0) {
      writeBackground(job, voxel);
      continue;
    }
    if (job.tsnr != nullptr) {
      job.tsnr[voxel] =
          static_cast<float>(static_cast<double>(means[lane]) / sdLanes[lane]);
    }
    if (job.outliers != nullptr) {
      const float max = largestLanes[lane];
      const float min = smallestLanes[lane];
      job.outliers[voxel] = (max < -min) ? min : max;
    }
    if (job.laggedAutocorrelation != nullptr) {
      job.laggedAutocorrelation[voxel] = autocorrelations[lane];
    }
  }
}

template <typename Sample>
void passTiles(const Sample* samples, const VoxelPassJob& job) {
  const std::size_t volumes = static_cast<std::size_t>(job.t);
  std::size_t voxels[kWorkVoxels];
  alignas(64) float means[kWorkVoxels];
  int filled = 0;
  // Runs the filled tile; `read` voxels have been read so far, and the
  // samples of about two tiles' worth after them are fetched meanwhile.
  auto runTile = [&](std::size_t read) {
    const std::size_t ahead = job.voxelCount - read < 2 * kWorkVoxels
                                  ? job.voxelCount - read
                                  : 2 * kWorkVoxels;
    const char* next = reinterpret_cast<const char*>(samples + read * volumes);
    const std::size_t nextLines = (ahead * volumes * sizeof(Sample) + 63) / 64;
    fillWorkTile(samples, voxels, filled, job.t, job.tile, means);
    passWorkTile(job.tile, filled, voxels, means, next, nextLines, job);
    filled = 0;
  };
  for (std::size_t voxel = 0; voxel < job.voxelCount; ++voxel) {
    if (readsAsBackground(samples + voxel * volumes, job.t)) {
      writeBackground(job, voxel);
      continue;
    }
    voxels[filled++] = voxel;
    if (filled == kWorkVoxels) runTile(voxel + 1);
  }
  if (filled > 0) runTile(job.voxelCount);
}

// The whole pass over the job's samples, whichever their type.
void passAllTiles(const VoxelPassJob& job) {
  if (job.floatSamples != nullptr) {
    passTiles(job.floatSamples, job);
  } else if (job.intSamples != nullptr) {
    passTiles(job.intSamples, job);
  }
}

}  // namespace
}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_VOXEL_PASS_TILE_H_
