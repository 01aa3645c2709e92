// The voxel pass in SIMD lanes, one voxel per lane, over time-major tiles.
//
// Voxels are read sixteen at a time (a group), transposed and summed for
// their means in the same sweep. Background voxels (mean not above the
// intensity floor) get their zeros at once; the others are packed into a
// work tile, so the costly statistics run only on voxels that get values,
// and a full work tile runs the remaining sweeps: spread around the mean,
// standardisation with outliers, spikes and extremes, then both lags of the
// autocorrelation from one sweep over the standardised series.
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
#include <cstring>

#include "analysis/statistics_constants.h"
#include "analysis/voxel_pass_job.h"

namespace quorvel {
namespace {

// Voxels transposed and summed together.
constexpr int kGroupVoxels = 16;
constexpr int kGroupFloats = kGroupVoxels / kFloatLanes;
// Voxels of one work tile, and its float vectors across.
constexpr int kWorkVoxels = kTileVectors * kLaneCount;
constexpr int kWorkFloats = kWorkVoxels / kFloatLanes;
// A work row holds one tile plus the active voxels of one more group.
constexpr int kWorkStride = kWorkVoxels + kGroupVoxels;

static_assert(kGroupVoxels % kFloatLanes == 0, "groups are whole vectors");
static_assert(kFloatLanes == kBlocksPerFloats * kBlockSize,
              "transposed blocks fill whole vectors");
static_assert(kWorkVoxels % kFloatLanes == 0, "work tiles are whole vectors");
static_assert(kGroupVoxels + kWorkStride <= kVoxelPassTileFloatsPerVolume,
              "tile buffer too small");

constexpr unsigned kFloatLaneBits = (1u << kFloatLanes) - 1u;

// Copies the time courses of `count` voxels from voxel `first` into `group`
// (group[v * kGroupVoxels + lane], lanes past `count` zero) and stores each
// lane's running sum of the mean rule, sum = float(double(sum) + x) in
// volume order, as the single-precision sum + x (exact, see the top). A
// 16-bit sample converts to float exactly. Square blocks are transposed in
// registers and summed while there.
//
// The samples are far larger than any cache and are read in as many
// streams as the group has voxels, more than the hardware prefetcher
// follows: the next group's samples (`nextLines` cache lines from `next`)
// are asked into the cache a few lines per block, so that filling it does
// not wait for memory.
template <typename Sample>
void fillGroup(const Sample* samples, std::size_t first, int count, int t,
               const char* next, std::size_t nextLines, float* group,
               float* sums) {
  const std::size_t volumes = static_cast<std::size_t>(t);
  Floats sum[kGroupFloats];
  for (int g = 0; g < kGroupFloats; ++g) sum[g] = splatFloats(0.0f);
  std::size_t summed = 0;
  if (count == kGroupVoxels) {
    summed = volumes - volumes % kBlockSize;
    const std::size_t steps = summed / kBlockSize;
    const std::size_t linesPerStep =
        steps == 0 ? 0 : (nextLines + steps - 1) / steps;
    std::size_t line = 0;
    for (std::size_t v0 = 0; v0 < summed; v0 += kBlockSize) {
      for (std::size_t i = 0; i < linesPerStep && line < nextLines;
           ++i, ++line) {
        _mm_prefetch(next + line * 64, _MM_HINT_T1);
      }
      for (int g = 0; g < kGroupFloats; ++g) {
        SampleRow rows[kBlocksPerFloats * kBlockSize];
        for (int b = 0; b < kBlocksPerFloats; ++b) {
          const std::size_t voxel =
              first +
              static_cast<std::size_t>(g * kFloatLanes + b * kBlockSize);
          const Sample* block = samples + voxel * volumes + v0;
          for (int j = 0; j < kBlockSize; ++j) {
            rows[b * kBlockSize + j] =
                loadRow(block + static_cast<std::size_t>(j) * volumes);
          }
          transposeBlock(rows + b * kBlockSize);
        }
        for (int i = 0; i < kBlockSize; ++i) {
          const Floats row = blockRowsAsFloats(rows + i, kBlockSize);
          storeFloats(group +
                          (v0 + static_cast<std::size_t>(i)) * kGroupVoxels +
                          g * kFloatLanes,
                      row);
          sum[g] = add(sum[g], row);
        }
      }
    }
  }
  for (int lane = 0; lane < kGroupVoxels; ++lane) {
    float* column = group + lane;
    if (lane >= count) {
      for (std::size_t v = summed; v < volumes; ++v)
        column[v * kGroupVoxels] = 0.0f;
      continue;
    }
    const Sample* series =
        samples + (first + static_cast<std::size_t>(lane)) * volumes;
    for (std::size_t v = summed; v < volumes; ++v) {
      column[v * kGroupVoxels] = static_cast<float>(series[v]);
    }
  }
  for (std::size_t v = summed; v < volumes; ++v) {
    for (int g = 0; g < kGroupFloats; ++g) {
      sum[g] =
          add(sum[g], loadFloats(group + v * kGroupVoxels + g * kFloatLanes));
    }
  }
  for (int g = 0; g < kGroupFloats; ++g)
    storeFloats(sums + g * kFloatLanes, sum[g]);
}

// Appends the lanes of `activeBits` of a filled group, in lane order, to
// the work tile from lane `filled` on.
void appendActive(const float* group, unsigned activeBits, std::size_t volumes,
                  float* work, int filled) {
  Compaction order[kGroupFloats];
  unsigned bits[kGroupFloats];
  int offset[kGroupFloats];
  int at = filled;
  for (int g = 0; g < kGroupFloats; ++g) {
    bits[g] = (activeBits >> (g * kFloatLanes)) & kFloatLaneBits;
    order[g] = compactionOf(bits[g]);
    offset[g] = at;
    at += countBits(bits[g]);
  }
  if (at == filled) return;
  // Each store writes a whole vector; lanes past the active ones are
  // overwritten by the next store or lie beyond the filled lanes.
  for (std::size_t v = 0; v < volumes; ++v) {
    for (int g = 0; g < kGroupFloats; ++g) {
      if (bits[g] == 0) continue;
      storeFloats(
          work + v * kWorkStride + offset[g],
          compact(loadFloats(group + v * kGroupVoxels + g * kFloatLanes),
                  order[g]));
    }
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

// Voxel index and mean of each lane of the work tile.
struct WorkLanes {
  std::size_t voxel[kWorkStride];
  alignas(64) float mean[kWorkStride];
};

// Runs the pass over the first `valid` lanes of a work tile (lanes past
// them hold zeros): adds their outliers and spikes to the job's counts,
// writes their map values and leaves the standardised series in the tile.
void passWorkTile(float* tile, int valid, const std::size_t* voxels,
                  const float* means, const VoxelPassJob& job) {
  constexpr int K = kWorkFloats;
  constexpr int H = 2 * kWorkFloats;  // double vectors across
  constexpr int F = kFloatLanes;
  constexpr int D = kLaneCount;
  const int t = job.t;
  const std::size_t volumes = static_cast<std::size_t>(t);
  auto row = [tile](std::size_t v) { return tile + v * kWorkStride; };

  unsigned validBits[K];
  for (int k = 0; k < K; ++k) {
    const int lanes = valid - k * F;
    validBits[k] = lanes >= F  ? kFloatLaneBits
                   : lanes > 0 ? (1u << lanes) - 1u
                               : 0u;
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
    for (std::size_t v = 0; v < volumes; ++v) {
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
    countsOutliers[k] = standardised & validBits[k];
    // Halving and doubling a mean above the floor are exact (doubling may
    // overflow to infinity, and then every finite x is below 2 * mean).
    const Floats halfMean = mul(meanF[k], splatFloats(0.5f));
    const Floats twiceMean = mul(meanF[k], splatFloats(2.0f));
    const unsigned outside = maskBits(greater(halfMean, lowest[k])) |
                             maskBits(greater(highest[k], twiceMean));
    const unsigned exact = ~outside | ~standardised;
    singleOps[k] = (exact & validBits[k]) == validBits[k];
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
      candidates[k] = previousBeyond[k] & validBits[k];
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
      const unsigned candidates = previousBeyond[k] & validBits[k];
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

// Zeros in every requested map at a background voxel.
void writeBackground(const VoxelPassJob& job, std::size_t voxel) {
  if (job.tsnr != nullptr) job.tsnr[voxel] = 0.0f;
  if (job.outliers != nullptr) job.outliers[voxel] = 0.0f;
  if (job.laggedAutocorrelation != nullptr)
    job.laggedAutocorrelation[voxel] = 0.0f;
}

template <typename Sample>
void passTiles(const Sample* samples, const VoxelPassJob& job) {
  const std::size_t volumes = static_cast<std::size_t>(job.t);
  float* group = job.tile;
  float* work = job.tile + volumes * kGroupVoxels;
  WorkLanes lanes;
  alignas(64) float sums[kGroupVoxels];
  int filled = 0;
  for (std::size_t first = 0; first < job.voxelCount; first += kGroupVoxels) {
    const std::size_t left = job.voxelCount - first;
    const int count = left < static_cast<std::size_t>(kGroupVoxels)
                          ? static_cast<int>(left)
                          : kGroupVoxels;
    const std::size_t nextFirst = first + static_cast<std::size_t>(count);
    const std::size_t nextCount = job.voxelCount - nextFirst < kGroupVoxels
                                      ? job.voxelCount - nextFirst
                                      : static_cast<std::size_t>(kGroupVoxels);
    const char* next =
        reinterpret_cast<const char*>(samples + nextFirst * volumes);
    const std::size_t nextLines =
        (nextCount * volumes * sizeof(Sample) + 63) / 64;
    fillGroup(samples, first, count, job.t, next, nextLines, group, sums);
    unsigned activeBits = 0;
    int active = filled;
    for (int lane = 0; lane < count; ++lane) {
      const std::size_t voxel = first + static_cast<std::size_t>(lane);
      // The scalar rule's mean, from the lane's sum.
      const float mean =
          static_cast<float>(static_cast<double>(sums[lane]) / job.t);
      if (mean > kIntensityFloor) {
        activeBits |= 1u << lane;
        lanes.voxel[active] = voxel;
        lanes.mean[active] = mean;
        ++active;
      } else {
        writeBackground(job, voxel);
      }
    }
    appendActive(group, activeBits, volumes, work, filled);
    filled = active;

    int start = 0;
    for (; filled - start >= kWorkVoxels; start += kWorkVoxels) {
      passWorkTile(work + start, kWorkVoxels, lanes.voxel + start,
                   lanes.mean + start, job);
    }
    if (start > 0) {
      // Lanes past the processed tiles move to the front.
      const int keep = filled - start;
      for (std::size_t v = 0; v < volumes && keep > 0; ++v) {
        float* r = work + v * kWorkStride;
        std::memmove(r, r + start,
                     static_cast<std::size_t>(keep) * sizeof(float));
      }
      for (int lane = 0; lane < keep; ++lane) {
        lanes.voxel[lane] = lanes.voxel[start + lane];
        lanes.mean[lane] = lanes.mean[start + lane];
      }
      filled = keep;
    }
  }
  if (filled > 0) {
    // The last, partial tile: the lanes past the filled ones hold zeros
    // with a zero mean, computed but never counted or written.
    for (std::size_t v = 0; v < volumes; ++v) {
      float* r = work + v * kWorkStride;
      for (int lane = filled; lane < kWorkVoxels; ++lane) r[lane] = 0.0f;
    }
    for (int lane = filled; lane < kWorkVoxels; ++lane) lanes.mean[lane] = 0.0f;
    passWorkTile(work, filled, lanes.voxel, lanes.mean, job);
  }
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
