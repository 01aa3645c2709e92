// The voxel pass over tiles of kTileVoxels time courses in SIMD lanes, one
// voxel per lane. Each lane performs exactly the scalar pass's IEEE
// operations in the scalar pass's order (conversions to and from single
// precision included), so maps and counts agree with it to the last bit;
// what changes is that many voxels share an instruction, and that what the
// scalar pass computes twice (the standardised series' mean and deviation
// for both lags) is computed once.
//
// Included by each kernel file after voxel_pass_lanes.h, which supplies the
// lane operations of that file's instruction set. kTileVectors, the number
// of independent vectors per time step, is chosen so enough additions are in
// flight to hide their latency: each running sum is one dependent chain.
#ifndef QUORVEL_ANALYSIS_VOXEL_PASS_TILE_H_
#define QUORVEL_ANALYSIS_VOXEL_PASS_TILE_H_

#include <cstddef>
#include <cstdint>

#include "analysis/statistics_constants.h"
#include "analysis/voxel_pass_job.h"

namespace quorvel {
namespace {

constexpr int kTileVoxels = kTileVectors * kLaneCount;
static_assert(kTileVoxels <= kVoxelPassMaxTileVoxels, "tile buffer too small");

// Per-voxel results of one tile, one entry per lane.
struct TileMaps {
  alignas(64) double tsnr[kTileVoxels];
  alignas(64) double outliers[kTileVoxels];
  alignas(64) double laggedAutocorrelation[kTileVoxels];
};

// Copies `count` time courses, starting at voxel `first`, into the tile as
// doubles, time major (tile[v * kTileVoxels + lane]); lanes past `count` get
// zeros, a background series that is never counted or written. A 16-bit
// sample converts exactly, as through single precision. Square blocks of
// voxels and volumes are transposed in registers, so that every store
// fills whole cache lines of the tile.
template <typename Sample>
void fillTile(const Sample* samples, std::size_t first, int count, int t,
              double* tile) {
  const std::size_t volumes = static_cast<std::size_t>(t);
  const std::size_t blockedVolumes = volumes - volumes % kBlockSize;
  const int blockedLanes = count - count % kBlockSize;
  for (int lane0 = 0; lane0 < blockedLanes; lane0 += kBlockSize) {
    const Sample* block =
        samples + (first + static_cast<std::size_t>(lane0)) * volumes;
    for (std::size_t v0 = 0; v0 < blockedVolumes; v0 += kBlockSize) {
      SampleRow rows[kBlockSize];
      for (int j = 0; j < kBlockSize; ++j) {
        rows[j] = loadRow(block + static_cast<std::size_t>(j) * volumes + v0);
      }
      transposeBlock(rows);
      for (int i = 0; i < kBlockSize; ++i) {
        storeRowAsDoubles(
            tile + (v0 + static_cast<std::size_t>(i)) * kTileVoxels + lane0,
            rows[i]);
      }
    }
    for (std::size_t v = blockedVolumes; v < volumes; ++v) {
      for (int j = 0; j < kBlockSize; ++j) {
        tile[v * kTileVoxels + static_cast<std::size_t>(lane0 + j)] =
            static_cast<double>(
                block[static_cast<std::size_t>(j) * volumes + v]);
      }
    }
  }
  for (int lane = blockedLanes; lane < count; ++lane) {
    const Sample* series =
        samples + (first + static_cast<std::size_t>(lane)) * volumes;
    for (std::size_t v = 0; v < volumes; ++v) {
      tile[v * kTileVoxels + static_cast<std::size_t>(lane)] =
          static_cast<double>(series[v]);
    }
  }
  for (int lane = count; lane < kTileVoxels; ++lane) {
    for (std::size_t v = 0; v < volumes; ++v) {
      tile[v * kTileVoxels + static_cast<std::size_t>(lane)] = 0.0;
    }
  }
}

// The difference between volume u and its neighbours that the spike test
// compares with the spike threshold: at either end the other volume of the
// pair, inside the mean of both neighbours.
inline Lanes firstDifference(Lanes a0, Lanes a1) {
  return toSingle(sub(a0, a1));
}
inline Lanes innerDifference(Lanes before, Lanes a, Lanes after) {
  return toSingle(sub(a, mul(add(before, after), splat(kNeighbourWeight))));
}
inline Lanes lastDifference(Lanes last, Lanes before) {
  return toSingle(sub(last, before));
}

// Counts a spike for every lane of `candidates` whose difference exceeds
// the spike threshold.
inline int spikesAmong(LaneMask candidates, Lanes difference, Lanes spikeDef) {
  return countBits(
      maskBits(both(candidates, greater(magnitude(difference), spikeDef))));
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

// Samples of the next tile, asked into the cache while the current tile is
// being summed, so that filling the next tile does not wait for memory.
struct NextSamples {
  const char* begin = nullptr;
  std::size_t lines = 0;  // of 64 bytes
};

// Runs the pass over one filled tile: adds its outliers and spikes to the
// job's counts, fills `maps` for every lane and leaves the standardised
// series in the tile.
void passTile(double* tile, const VoxelPassJob& job, const NextSamples& next,
              TileMaps& maps) {
  constexpr int K = kTileVectors;
  constexpr int W = kLaneCount;
  const int t = job.t;
  const std::size_t volumes = static_cast<std::size_t>(t);
  const Lanes n = splat(static_cast<double>(t));
  auto row = [tile](std::size_t v, int k) {
    return tile + v * kTileVoxels + static_cast<std::size_t>(k) * W;
  };

  // Mean of each series: one rounded running sum per lane.
  Lanes mean[K];
  {
    Lanes sum[K];
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) sum[k] = splat(0.0);
    const std::size_t linesPerStep = (next.lines + volumes - 1) / volumes;
    for (std::size_t v = 0; v < volumes; ++v) {
      for (std::size_t i = 0, line = v * linesPerStep;
           i < linesPerStep && line < next.lines; ++i, ++line) {
        _mm_prefetch(next.begin + line * 64, _MM_HINT_T1);
      }
#pragma GCC unroll 16
      for (int k = 0; k < K; ++k)
        sum[k] = toSingle(add(sum[k], loadLanes(row(v, k))));
    }
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) mean[k] = toSingle(div(sum[k], n));
  }

  LaneMask active[K];
  unsigned anyActive = 0;
#pragma GCC unroll 16
  for (int k = 0; k < K; ++k) {
    active[k] = greater(mean[k], splat(kIntensityFloor));
    anyActive |= maskBits(active[k]);
  }
  if (anyActive == 0) {
    // Only background: zeros in every map and nothing to count.
    for (int lane = 0; lane < kTileVoxels; ++lane) {
      maps.tsnr[lane] = maps.outliers[lane] = maps.laggedAutocorrelation[lane] =
          0.0;
    }
    return;
  }

  // Standard deviation around that mean.
  Lanes sd[K];
  {
    Lanes squares[K];
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) squares[k] = splat(0.0);
    for (std::size_t v = 0; v < volumes; ++v) {
#pragma GCC unroll 16
      for (int k = 0; k < K; ++k) {
        const Lanes d = sub(loadLanes(row(v, k)), mean[k]);
        squares[k] = toSingle(add(squares[k], mul(d, d)));
      }
    }
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) sd[k] = deviationFromSquares(squares[k], t);
  }

  // Standardise (or, with a deviation at the floor, subtract the mean:
  // dividing by exactly 1 changes no bit), count outliers, and in the same
  // sweep sum the new series, track its extremes and test volume v - 1 for
  // a spike once its right neighbour v is known.
  const Lanes maxDeviation = splat(static_cast<double>(job.maxDeviation));
  const Lanes spikeDef = splat(static_cast<double>(job.spikeDefinition));
  Lanes divisor[K], aSum[K], largest[K], smallest[K], before[K], previous[K];
  LaneMask countsOutliers[K];
#pragma GCC unroll 16
  for (int k = 0; k < K; ++k) {
    const LaneMask standardised = greater(sd[k], splat(kDeviationFloor));
    divisor[k] = select(standardised, sd[k], splat(1.0));
    countsOutliers[k] = both(standardised, active[k]);
    aSum[k] = splat(0.0);
    before[k] = previous[k] = splat(0.0);
    // The extremes start at the first value, which the sweep offers again:
    // a value never replaces itself.
    largest[k] = smallest[k] =
        toSingle(div(sub(loadLanes(row(0, k)), mean[k]), divisor[k]));
  }
  for (std::size_t v = 0; v < volumes; ++v) {
    int outliers = 0;
    unsigned candidates = 0;
    LaneMask candidate[K];
    Lanes a[K];
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) {
      a[k] = toSingle(div(sub(loadLanes(row(v, k)), mean[k]), divisor[k]));
      storeLanes(row(v, k), a[k]);
      aSum[k] = toSingle(add(aSum[k], a[k]));
      largest[k] = larger(a[k], largest[k]);
      smallest[k] = smaller(a[k], smallest[k]);
      const LaneMask beyond = greater(magnitude(a[k]), maxDeviation);
      outliers += countBits(maskBits(both(beyond, countsOutliers[k])));
      if (v > 0) {
        candidate[k] =
            both(greater(magnitude(previous[k]), maxDeviation), active[k]);
        candidates |= maskBits(candidate[k]);
      }
    }
    if (outliers != 0) job.outlierCounts[v] += outliers;
    if (candidates != 0) {
      int spikes = 0;
      for (int k = 0; k < K; ++k) {
        const Lanes difference =
            (v == 1) ? firstDifference(previous[k], a[k])
                     : innerDifference(before[k], previous[k], a[k]);
        spikes += spikesAmong(candidate[k], difference, spikeDef);
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
      const LaneMask candidate =
          both(greater(magnitude(previous[k]), maxDeviation), active[k]);
      if (maskBits(candidate) == 0) continue;
      spikes += spikesAmong(candidate, lastDifference(previous[k], before[k]),
                            spikeDef);
    }
    job.spikeCounts[t - 1] += spikes;
  }

  const Lanes zero = splat(0.0);
#pragma GCC unroll 16
  for (int k = 0; k < K; ++k) {
    const Lanes tsnr = toSingle(div(mean[k], sd[k]));
    const Lanes extreme = select(greater(negated(smallest[k]), largest[k]),
                                 smallest[k], largest[k]);
    storeLanes(maps.tsnr + static_cast<std::ptrdiff_t>(k) * W,
               select(active[k], tsnr, zero));
    storeLanes(maps.outliers + static_cast<std::ptrdiff_t>(k) * W,
               select(active[k], extreme, zero));
  }
  if (job.laggedAutocorrelation == nullptr) return;

  // Both lags from one sweep over the standardised series: its mean and
  // standard deviation are the same for the two, and each lagged product
  // joins its sum in index order, term i once volume i + lag is read.
  const int pairs1 = (t % 2 == 0) ? t - 1 : t - 2;
  const int pairs2 = (t % 2 == 0) ? t - 2 : t - 3;
  Lanes aMean[K], squares[K], lag1[K], lag2[K], d1[K], d2[K];
#pragma GCC unroll 16
  for (int k = 0; k < K; ++k) {
    aMean[k] = toSingle(div(aSum[k], n));
    squares[k] = lag1[k] = lag2[k] = d1[k] = d2[k] = zero;
  }
  for (std::size_t v = 0; v < volumes; ++v) {
    const long long i = static_cast<long long>(v);
    const bool withLag1 = i >= 1 && i - 1 < pairs1;
    const bool withLag2 = i >= 2 && i - 2 < pairs2;
#pragma GCC unroll 16
    for (int k = 0; k < K; ++k) {
      const Lanes d = sub(loadLanes(row(v, k)), aMean[k]);
      squares[k] = toSingle(add(squares[k], mul(d, d)));
      if (withLag1) lag1[k] = toSingle(add(lag1[k], mul(d1[k], d)));
      if (withLag2) lag2[k] = toSingle(add(lag2[k], mul(d2[k], d)));
      d2[k] = d1[k];
      d1[k] = d;
    }
  }
#pragma GCC unroll 16
  for (int k = 0; k < K; ++k) {
    const Lanes aSd = deviationFromSquares(squares[k], t);
    const Lanes r1 = autocorrelation(lag1[k], pairs1, aSd);
    const Lanes r2 = autocorrelation(lag2[k], pairs2, aSd);
    storeLanes(maps.laggedAutocorrelation + static_cast<std::ptrdiff_t>(k) * W,
               select(active[k], toSingle(add(r1, r2)), zero));
  }
}

// Copies the first `count` lanes of `values` into a map at voxel `first`.
void writeMap(float* map, std::size_t first, int count, const double* values) {
  if (map == nullptr) return;
  for (int lane = 0; lane < count; ++lane) {
    map[first + static_cast<std::size_t>(lane)] =
        static_cast<float>(values[lane]);
  }
}

template <typename Sample>
void passTiles(const Sample* samples, const VoxelPassJob& job) {
  TileMaps maps;
  const std::size_t volumes = static_cast<std::size_t>(job.t);
  for (std::size_t first = 0; first < job.voxelCount; first += kTileVoxels) {
    const std::size_t left = job.voxelCount - first;
    const int count = left < static_cast<std::size_t>(kTileVoxels)
                          ? static_cast<int>(left)
                          : kTileVoxels;
    fillTile(samples, first, count, job.t, job.tile);
    NextSamples next;
    if (job.voxelCount - first > static_cast<std::size_t>(kTileVoxels)) {
      const std::size_t nextFirst = first + kTileVoxels;
      const std::size_t nextVoxels =
          job.voxelCount - nextFirst < kTileVoxels
              ? job.voxelCount - nextFirst
              : static_cast<std::size_t>(kTileVoxels);
      next.begin = reinterpret_cast<const char*>(samples + nextFirst * volumes);
      next.lines = (nextVoxels * volumes * sizeof(Sample) + 63) / 64;
    }
    passTile(job.tile, job, next, maps);
    writeMap(job.tsnr, first, count, maps.tsnr);
    writeMap(job.outliers, first, count, maps.outliers);
    writeMap(job.laggedAutocorrelation, first, count,
             maps.laggedAutocorrelation);
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
