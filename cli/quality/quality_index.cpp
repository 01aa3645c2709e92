#include "cli/quality/quality_index.h"

#include <algorithm>
#include <cmath>

#include "cli/quality/block_turns.h"
#include "cli/quality/clip_level.h"
#include "cli/quality/run_quality.h"
#include "cli/quality/volume_keys.h"

namespace quorvel::cli {
namespace {

// 3dTqual refuses fewer voxels above the clip level.
constexpr std::size_t kFewestVoxels = 9;
// Volumes gathered at a time: each voxel's samples of a block are a few
// neighbouring cache lines of its course, which the processor fetches
// ahead, where the courses themselves lie too far apart for it to.
constexpr std::size_t kBlockVolumes = 64;
// Bits a pass of the radix sort takes: two passes for the spread of most
// runs' samples.
constexpr int kDigitBits = 13;

// A value's key in the high half of an item, what goes with it in the low
// half.
std::uint32_t itemKey(std::uint64_t item) { return static_cast<std::uint32_t>(item >> 32); }
std::uint32_t itemPayload(std::uint64_t item) { return static_cast<std::uint32_t>(item); }

// Sorts `scratch.items` to hold keys[0, count), whose range is `range`, in
// ascending order, each with payload[i] (its place when `payload` is
// null) in its low half: a least-significant-digit radix sort of the keys
// less their least, in as few passes of at most kDigitBits bits as their
// spread needs. All passes' counts are taken in one read of the keys, and
// the first pass places each key straight from them.
void sortKeys(const std::uint32_t* keys, std::size_t count, KeyRange range,
              const std::uint32_t* payload, RankScratch& scratch) {
  std::vector<std::uint64_t>& items = scratch.items;
  std::vector<std::uint64_t>& spare = scratch.spare;
  items.resize(count);
  spare.resize(count);
  if (count == 0) return;
  const std::uint32_t least = range.least, spread = range.most - range.least;
  int bits = 0;
  while (bits < 32 && (spread >> bits) != 0) ++bits;
  const int passes = (bits + kDigitBits - 1) / kDigitBits;
  if (passes == 0) {
    for (std::size_t i = 0; i < count; ++i) items[i] = payload != nullptr ? payload[i] : i;
    return;
  }
  const int digitBits = (bits + passes - 1) / passes;
  const std::uint32_t digitMask = (1u << digitBits) - 1;
  const std::size_t buckets = std::size_t{1} << digitBits;
  std::vector<std::uint32_t>& counts = scratch.counts;
  counts.assign(static_cast<std::size_t>(passes) * (buckets + 1), 0);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t key = keys[i] - least;
    for (int p = 0; p < passes; ++p) {
      ++counts[p * (buckets + 1) + ((key >> (p * digitBits)) & digitMask) + 1];
    }
  }
  for (int p = 0; p < passes; ++p) {
    std::uint32_t* start = counts.data() + p * (buckets + 1);
    for (std::size_t d = 0; d < buckets; ++d) start[d + 1] += start[d];
  }
  std::uint32_t* start = counts.data();
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t key = keys[i] - least;
    const std::uint64_t item =
        (static_cast<std::uint64_t>(key) << 32) | (payload != nullptr ? payload[i] : i);
    items[start[key & digitMask]++] = item;
  }
  for (int p = 1; p < passes; ++p) {
    start = counts.data() + p * (buckets + 1);
    const int shift = 32 + p * digitBits;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint64_t item = items[i];
      spare[start[(item >> shift) & digitMask]++] = item;
    }
    items.swap(spare);
  }
}

// sortKeys on the keys of values[0, count).
void sortByValue(const float* values, std::size_t count, const std::uint32_t* payload,
                 RankScratch& scratch) {
  std::vector<std::uint32_t>& keys = scratch.keys;
  keys.resize(count);
  KeyRange range;
  for (std::size_t i = 0; i < count; ++i) {
    keys[i] = orderKey(values[i]);
    range.add(keys[i]);
  }
  sortKeys(keys.data(), count, range, payload, scratch);
}

// Calls tie(first, end, rank) for each run [first, end) of equal values in
// sorted `items`, with their mean rank from 0 less (count - 1) / 2.
template <typename Tie>
void forEachTie(const std::vector<std::uint64_t>& items, std::size_t count, Tie tie) {
  const double centre = 0.5 * (static_cast<double>(count) - 1.0);
  for (std::size_t i = 0; i < count;) {
    std::size_t j = i + 1;
    while (j < count && itemKey(items[j]) == itemKey(items[i])) ++j;
    tie(i, j, 0.5 * static_cast<double>(i + j - 1) - centre);
    i = j;
  }
}

// The rank sums of `items` sorted by sortKeys with twice the other
// series' ranks as payloads: forEachTie's sums, with the lone values that
// make up most of a volume taken without a loop of their own. A lone
// value's rank, 0.5 (2 i) - centre, is exactly i - centre, and its
// weight's and square's factors of 1 change no bits. Both sums must stay
// in registers: GCC pairs them into one vector kept on the stack, which
// puts a store and a load into every addition's chain and doubled the
// loop's time.
#if defined(__GNUC__) && !defined(__clang__)
__attribute__((optimize("no-tree-slp-vectorize")))
#endif
RankSums
sumsOfSorted(const std::vector<std::uint64_t>& items, std::size_t count) {
  const double centre = 0.5 * (static_cast<double>(count) - 1.0);
  double products = 0, squares = 0;
  for (std::size_t i = 0; i < count;) {
    std::size_t j = i + 1;
    while (j < count && itemKey(items[j]) == itemKey(items[i])) ++j;
    if (j == i + 1) {
      const double rank = static_cast<double>(i) - centre;
      products += rank * (0.5 * static_cast<double>(itemPayload(items[i])) - centre);
      squares += rank * rank;
    } else {
      const double rank = 0.5 * static_cast<double>(i + j - 1) - centre;
      std::uint64_t twice = 0;
      for (std::size_t k = i; k < j; ++k) twice += itemPayload(items[k]);
      const double weight = 0.5 * static_cast<double>(twice) - centre * static_cast<double>(j - i);
      products += rank * weight;
      squares += rank * rank * static_cast<double>(j - i);
    }
    i = j;
  }
  return {products, squares};
}

// Per thread: the keys of a block of volumes' samples at the kept voxels,
// each volume's range of keys, and the sort's room.
struct IndexScratch {
  std::vector<std::uint32_t> gathered;
  KeyRange ranges[kBlockVolumes];
  RankScratch rank;
};

template <typename Sample>
QualityIndex indexOf(const Sample* samples, std::size_t volumes, const VoxelImage& medianVolume,
                     std::size_t first, unsigned threads) {
  QualityIndex index;
  index.series.assign(volumes, std::nullopt);
  const double level = clipLevel(medianVolume);
  std::vector<std::size_t> kept;
  std::vector<float> keptMedian;
  for (std::size_t voxel = 0; voxel < medianVolume.size(); ++voxel) {
    // No clip level keeps every voxel, as 3dTqual does.
    if (level <= 0 || medianVolume[voxel] >= level) {
      kept.push_back(voxel);
      keptMedian.push_back(static_cast<float>(medianVolume[voxel]));
    }
  }
  const std::size_t n = kept.size();
  if (n < kFewestVoxels) return index;
  std::vector<double> medianRanks(n);
  RankScratch scratch;
  const double medianSquares = centredRanks(keptMedian.data(), n, medianRanks.data(), scratch);
  // Twice each median rank from 0, a whole number, travels with the
  // samples through their sort.
  const double centre = 0.5 * (static_cast<double>(n) - 1.0);
  std::vector<std::uint32_t> twiceRanks(n);
  for (std::size_t i = 0; i < n; ++i) {
    twiceRanks[i] = static_cast<std::uint32_t>(std::lrint(2.0 * (medianRanks[i] + centre)));
  }

  const std::size_t blocks = (volumes + kBlockVolumes - 1) / kBlockVolumes;
  runBlocksInTurns(
      blocks, threads,
      [n] {
        IndexScratch room;
        room.gathered.resize(kBlockVolumes * n);
        return room;
      },
      [&](IndexScratch& room, std::size_t block) {
        const std::size_t begin = block * kBlockVolumes;
        const std::size_t count = std::min(kBlockVolumes, volumes - begin);
        gatherVolumeKeys(samples, volumes, kept.data(), n, begin, count, room.gathered.data(),
                         room.ranges);
        for (std::size_t b = 0; b < count; ++b) {
          sortKeys(room.gathered.data() + b * n, n, room.ranges[b], twiceRanks.data(), room.rank);
          const RankSums sums = sumsOfSorted(room.rank.items, n);
          const double correlation = sums.squares > 0 && medianSquares > 0
                                         ? sums.products / std::sqrt(medianSquares * sums.squares)
                                         : 0.0;
          index.series.set(begin + b, 1.0 - correlation);
        }
      });
  if (first < volumes) {
    const OptionalSeries steady(index.series.begin() + static_cast<long>(first),
                                index.series.end());
    index.mean = meanOfPresent(steady);
  }
  return index;
}

}  // namespace

double centredRanks(const float* values, std::size_t count, double* ranks, RankScratch& scratch) {
  sortByValue(values, count, nullptr, scratch);
  double squares = 0;
  forEachTie(scratch.items, count, [&](std::size_t first, std::size_t end, double rank) {
    for (std::size_t k = first; k < end; ++k) ranks[itemPayload(scratch.items[k])] = rank;
    squares += rank * rank * static_cast<double>(end - first);
  });
  return squares;
}

RankSums rankSums(const float* values, std::size_t count, const std::uint32_t* twiceRanks,
                  RankScratch& scratch) {
  sortByValue(values, count, twiceRanks, scratch);
  return sumsOfSorted(scratch.items, count);
}

QualityIndex qualityIndex(const SampleView& samples, const VoxelImage& medianVolume,
                          std::size_t firstVolume, unsigned threads) {
  if (samples.empty() || samples.volumes == 0) return {};
  return samples.int16Samples != nullptr
             ? indexOf(samples.int16Samples, samples.volumes, medianVolume, firstVolume, threads)
             : indexOf(samples.floatSamples, samples.volumes, medianVolume, firstVolume, threads);
}

}  // namespace quorvel::cli
