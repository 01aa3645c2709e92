#include "cli/quality/sample_statistics.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>

#include "cli/base/processor_vectors.h"
#include "cli/base/thread_shares.h"
#include "cli/quality/lane_courses.h"
#include "cli/quality/order_statistics.h"
#include "cli/quality/voxel_floor.h"

namespace quorvel::cli {
namespace {

// A value only when it is a finite number.
std::optional<double> finite(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

// Pairs of the lag-k autocorrelation: the plug-in leaves out the last
// volume of a run with an odd number of volumes.
long lagPairs(std::size_t volumes, std::size_t lag) {
  const long n = static_cast<long>(volumes);
  return (n % 2 == 0 ? n : n - 1) - static_cast<long>(lag);
}

// Voxels whose sums run side by side: each voxel's additions form chains
// of dependent steps, and the chains of eight voxels, one vector register
// of doubles wide, keep the processor busy where one voxel's would leave
// it waiting.
constexpr std::size_t kLanes = kCourseLanes;

// Scratch of one thread, sized once for the run: no allocation per voxel.
struct VoxelScratch {
  std::vector<double> courses;  // kLanes time courses in double precision, volume-major
  std::vector<float> ordered;   // reordered to find the quartiles
  std::vector<float> spare;     // the selection's second buffer
};

// Sample quartiles by the "lower" rule: the sorted values at indices
// floor(0.25 (n - 1)) and floor(0.75 (n - 1)) of `course[0, n)`. Every
// sample is exactly a float, so the selection runs on floats: the same
// comparisons as on doubles, on half the bytes.
template <typename Sample>
std::pair<double, double> lowerQuartiles(const Sample* course, std::size_t n,
                                         VoxelScratch& scratch) {
  const double last = static_cast<double>(n - 1);
  const auto indexAt = [last](double p) { return static_cast<std::size_t>(std::floor(p * last)); };
  for (std::size_t v = 0; v < n; ++v) scratch.ordered[v] = static_cast<float>(course[v]);
  const auto [low, high] =
      selectTwoRanks(scratch.ordered.data(), n, indexAt(0.25), indexAt(0.75), scratch.spare.data());
  return {static_cast<double>(low), static_cast<double>(high)};
}

// One analysed voxel's own numbers.
struct VoxelNumbers {
  bool analysed = false;
  bool hasTsnr = false;  // sd > 0
  double tsnr = 0;
  double ac12 = 0;            // at least 4 volumes
  double expectedDiffSd = 0;  // sigma_i * sqrt(2 (1 - phi_i))
};

// The sums behind kLanes voxels' numbers.
struct LaneSums {
  double mean[kLanes];
  double squares[kLanes];  // of the deviations
  double lagged[kLanes];   // lag-1 products over all pairs
  double lag1[kLanes];     // lag-1 products over the even-trimmed pairs
  double lag2[kLanes];
};

// The sums of kLanes time courses (`courses`) in two passes: the means
// while the courses are laid out, then every sum of deviations at once. `x` receives the courses as
// doubles, volume by volume, so that each step of a sum is one vector
// operation over the lanes. Each voxel's sums keep their own order of
// additions, so the results are those of one loop per sum and voxel
// whatever the vector width.
template <typename Sample>
inline __attribute__((always_inline)) void sumLanes(const Sample* const* courses, std::size_t t,
                                                    double* x, LaneSums& sums) {
  double total[kLanes];
  layCourses(courses, t, x, total);
  double mean[kLanes];
  for (std::size_t k = 0; k < kLanes; ++k) mean[k] = total[k] / static_cast<double>(t);

  // The deviations' squares, the lag-1 products (for the autocorrelation
  // over its even-trimmed pairs and for the AR(1) coefficient over all)
  // and the lag-2 products. Lag 1's pairs are a prefix of all the
  // volume-to-volume pairs, so its sum is a point on the same chain.
  const long pairs1 = lagPairs(t, 1), pairs2 = lagPairs(t, 2);
  double squares[kLanes], lagged[kLanes] = {}, lag1[kLanes] = {}, lag2[kLanes] = {};
  double before2[kLanes] = {}, before1[kLanes];
  for (std::size_t k = 0; k < kLanes; ++k) {
    before1[k] = x[k] - mean[k];
    squares[k] = 0;
    squares[k] += before1[k] * before1[k];
  }
  for (std::size_t v = 1; v < t; ++v) {
    const bool lag2Pair = v >= 2 && static_cast<long>(v) <= pairs2 + 1;
    const double* row = x + v * kLanes;
    if (lag2Pair) {
      for (std::size_t k = 0; k < kLanes; ++k) {
        const double d = row[k] - mean[k];
        squares[k] += d * d;
        lagged[k] += before1[k] * d;
        lag2[k] += before2[k] * d;
        before2[k] = before1[k];
        before1[k] = d;
      }
    } else {
      for (std::size_t k = 0; k < kLanes; ++k) {
        const double d = row[k] - mean[k];
        squares[k] += d * d;
        lagged[k] += before1[k] * d;
        before2[k] = before1[k];
        before1[k] = d;
      }
    }
    if (static_cast<long>(v) == pairs1) {
      for (std::size_t k = 0; k < kLanes; ++k) lag1[k] = lagged[k];
    }
  }
  for (std::size_t k = 0; k < kLanes; ++k) {
    sums.mean[k] = mean[k];
    sums.squares[k] = squares[k];
    sums.lagged[k] = lagged[k];
    sums.lag1[k] = lag1[k];
    sums.lag2[k] = lag2[k];
  }
}

// Each function below is compiled once more for AVX2 and once for
// AVX-512 (a `Wide` template argument) and called in the widest form the
// processor has. Every operation is rounded as in scalar code (the build
// never fuses a multiply and an add), and each sum keeps its own order of
// additions, so the width changes only the speed.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVEL_WIDE_FORMS 1
#define QUORVEL_AVX512 __attribute__((target("avx512f"), flatten))
#define QUORVEL_AVX2 __attribute__((target("avx2"), flatten))
#endif

template <typename Sample>
void sumLanesWidest(const Sample* const* courses, std::size_t t, double* x, LaneSums& sums) {
#if defined(QUORVEL_WIDE_FORMS)
  struct Wide {
    static QUORVEL_AVX512 void avx512(const Sample* const* c, std::size_t n, double* into,
                                      LaneSums& out) {
      sumLanes(c, n, into, out);
    }
    static QUORVEL_AVX2 void avx2(const Sample* const* c, std::size_t n, double* into,
                                  LaneSums& out) {
      sumLanes(c, n, into, out);
    }
  };
  if (processorVectorBits() == 512) return Wide::avx512(courses, t, x, sums);
  if (processorVectorBits() == 256) return Wide::avx2(courses, t, x, sums);
#endif
  sumLanes(courses, t, x, sums);
}

// The numbers of kLanes analysed voxels (`courses`; a short group repeats
// its first voxel).
template <typename Sample>
void laneNumbers(const Sample* const* courses, std::size_t t, VoxelScratch& scratch,
                 VoxelNumbers* numbers) {
  LaneSums sums;
  sumLanesWidest(courses, t, scratch.courses.data(), sums);
  const long pairs1 = lagPairs(t, 1), pairs2 = lagPairs(t, 2);
  const double* mean = sums.mean;
  const double* squares = sums.squares;
  const double* lagged = sums.lagged;
  const double* lag1 = sums.lag1;
  const double* lag2 = sums.lag2;

  for (std::size_t k = 0; k < kLanes; ++k) {
    VoxelNumbers& out = numbers[k];
    out = VoxelNumbers{};
    out.analysed = true;
    const double sd = std::sqrt(squares[k] / static_cast<double>(t - 1));
    out.hasTsnr = sd > 0;
    if (out.hasTsnr) out.tsnr = mean[k] / sd;

    // As the plug-in's map: 0 below its deviation floor, else r1 + r2 over
    // its lag pairs, each divided by (pairs * sd^2).
    if (t >= 4 && sd > 0.01) {
      out.ac12 += lag1[k] / (static_cast<double>(pairs1) * sd * sd);
      out.ac12 += lag2[k] / (static_cast<double>(pairs2) * sd * sd);
    }

    // Yule-Walker AR(1) coefficient and the robust sd from the interquartile range.
    const double phi = squares[k] > 0 ? lagged[k] / squares[k] : 0.0;
    const auto [q1, q3] = lowerQuartiles(courses[k], t, scratch);
    const double robustSd = (q3 - q1) / 1.349;
    out.expectedDiffSd = robustSd * std::sqrt(2.0 * (1.0 - phi));
  }
}

// Voxels a share of the per-voxel pass takes at a time, in turns: the
// analysed voxels crowd the middle of the grid, so halves would not be
// even.
constexpr std::size_t kVoxelsPerTurn = 1024;
// Voxels whose floor test runs at a time: their courses fit the
// second-level cache of any processor.
constexpr std::size_t kVoxelsPerTest = 32;

// The floor test of voxels [begin, end): each one's mean, and whether it
// exceeds the floor (1) or not (0), from index 0 of `mean` and `above`.
template <typename Sample>
inline __attribute__((always_inline)) void floorTests(const Sample* samples, std::size_t volumes,
                                                      std::size_t begin, std::size_t end,
                                                      float* mean, std::uint8_t* above) {
  for (std::size_t voxel = begin; voxel < end; ++voxel) {
    above[voxel - begin] =
        meanAboveFloor(samples + voxel * volumes, volumes, kIntensityFloor, mean[voxel - begin])
            ? 1
            : 0;
  }
}

template <typename Sample>
void floorTestsWidest(const Sample* samples, std::size_t volumes, std::size_t begin,
                      std::size_t end, float* mean, std::uint8_t* above) {
#if defined(QUORVEL_WIDE_FORMS)
  struct Wide {
    static QUORVEL_AVX512 void avx512(const Sample* s, std::size_t t, std::size_t b, std::size_t e,
                                      float* m, std::uint8_t* a) {
      floorTests(s, t, b, e, m, a);
    }
    static QUORVEL_AVX2 void avx2(const Sample* s, std::size_t t, std::size_t b, std::size_t e,
                                  float* m, std::uint8_t* a) {
      floorTests(s, t, b, e, m, a);
    }
  };
  if (processorVectorBits() == 512) return Wide::avx512(samples, volumes, begin, end, mean, above);
  if (processorVectorBits() == 256) return Wide::avx2(samples, volumes, begin, end, mean, above);
#endif
  floorTests(samples, volumes, begin, end, mean, above);
}

// Eight doubles, and the eight samples they are made from: GCC and Clang
// vectors, one register wide where the processor has AVX-512, each lane
// rounded as the scalar operation would be.
typedef double EightDoubles __attribute__((vector_size(64)));
typedef float EightFloats __attribute__((vector_size(32)));
typedef std::int16_t EightShorts __attribute__((vector_size(16)));
typedef std::int32_t EightInts __attribute__((vector_size(32)));

// Vectors pass by reference: passed by value, their layout would depend on
// the instruction set each caller is compiled for.
inline __attribute__((always_inline)) void loadEight(const float* from, EightDoubles& into) {
  EightFloats values;
  std::memcpy(&values, from, sizeof values);
  into = __builtin_convertvector(values, EightDoubles);
}
inline __attribute__((always_inline)) void loadEight(const std::int16_t* from, EightDoubles& into) {
  EightShorts values;
  std::memcpy(&values, from, sizeof values);
  // Widened to 32 bits first, where GCC would go sample by sample.
  into = __builtin_convertvector(__builtin_convertvector(values, EightInts), EightDoubles);
}
inline __attribute__((always_inline)) void loadEight(const double* from, EightDoubles& into) {
  std::memcpy(&into, from, sizeof into);
}

// The sums of volumes [first, end) over the `analysed` voxels, in voxel
// order: the signal and the squared difference from the volume before.
template <typename Sample>
inline __attribute__((always_inline)) void volumeSums(const Sample* samples, std::size_t volumes,
                                                      const std::vector<std::size_t>& analysed,
                                                      std::size_t first, std::size_t end,
                                                      double* signal, double* squares) {
  const std::size_t from = std::max<std::size_t>(first, 1);
  // Four voxels a pass over the volumes, eight volumes side by side: each
  // volume's sums still take their samples one after another in voxel
  // order, in a lane of their own, with a quarter of the loads and stores
  // of the sums themselves.
  std::size_t i = 0;
  for (; i + 4 <= analysed.size(); i += 4) {
    const Sample* c0 = samples + analysed[i] * volumes;
    const Sample* c1 = samples + analysed[i + 1] * volumes;
    const Sample* c2 = samples + analysed[i + 2] * volumes;
    const Sample* c3 = samples + analysed[i + 3] * volumes;
    if (first == 0) {
      for (const Sample* course : {c0, c1, c2, c3}) signal[0] += static_cast<double>(course[0]);
    }
    std::size_t v = from;
    for (; v + 8 <= end; v += 8) {
      EightDoubles x[4], before[4], signalSum, squaresSum;
      loadEight(c0 + v, x[0]);
      loadEight(c1 + v, x[1]);
      loadEight(c2 + v, x[2]);
      loadEight(c3 + v, x[3]);
      loadEight(c0 + v - 1, before[0]);
      loadEight(c1 + v - 1, before[1]);
      loadEight(c2 + v - 1, before[2]);
      loadEight(c3 + v - 1, before[3]);
      loadEight(signal + v, signalSum);
      loadEight(squares + v, squaresSum);
      for (int k = 0; k < 4; ++k) {
        const EightDoubles step = x[k] - before[k];
        signalSum += x[k];
        squaresSum += step * step;
      }
      std::memcpy(signal + v, &signalSum, sizeof signalSum);
      std::memcpy(squares + v, &squaresSum, sizeof squaresSum);
    }
    for (; v < end; ++v) {
      for (const Sample* course : {c0, c1, c2, c3}) {
        const double x = static_cast<double>(course[v]);
        signal[v] += x;
        const double step = x - static_cast<double>(course[v - 1]);
        squares[v] += step * step;
      }
    }
  }
  for (; i < analysed.size(); ++i) {
    const Sample* course = samples + analysed[i] * volumes;
    if (first == 0) signal[0] += static_cast<double>(course[0]);
    for (std::size_t v = from; v < end; ++v) {
      const double x = static_cast<double>(course[v]);
      signal[v] += x;
      const double step = x - static_cast<double>(course[v - 1]);
      squares[v] += step * step;
    }
  }
}

template <typename Sample>
void volumeSumsWidest(const Sample* samples, std::size_t volumes,
                      const std::vector<std::size_t>& analysed, std::size_t first, std::size_t end,
                      double* signalSum, double* squaredDiffSum) {
#if defined(QUORVEL_WIDE_FORMS)
  struct Wide {
    static QUORVEL_AVX512 void avx512(const Sample* s, std::size_t t,
                                      const std::vector<std::size_t>& a, std::size_t f,
                                      std::size_t e, double* sig, double* sq) {
      volumeSums(s, t, a, f, e, sig, sq);
    }
    static QUORVEL_AVX2 void avx2(const Sample* s, std::size_t t, const std::vector<std::size_t>& a,
                                  std::size_t f, std::size_t e, double* sig, double* sq) {
      volumeSums(s, t, a, f, e, sig, sq);
    }
  };
  if (processorVectorBits() == 512) {
    return Wide::avx512(samples, volumes, analysed, first, end, signalSum, squaredDiffSum);
  }
  if (processorVectorBits() == 256) {
    return Wide::avx2(samples, volumes, analysed, first, end, signalSum, squaredDiffSum);
  }
#endif
  volumeSums(samples, volumes, analysed, first, end, signalSum, squaredDiffSum);
}

// The per-volume sums over the analysed voxels, added turn of voxels
// after turn in voxel order, so that every sum keeps the order of
// additions of a single thread. Whichever thread finishes the turn that
// is next in order adds it, and those after it that are ready, while
// their courses are likely still in cache; no thread ever waits for
// another (a share may run after the others, in the caller's thread).
class TurnSums {
 public:
  TurnSums(std::size_t turns, std::size_t volumes)
      : analysed_(turns), ready_(turns, 0), signal_(volumes, 0.0), squaredDiff_(volumes, 0.0) {}

  // Turn `turn` is computed: these are its analysed voxels, in order.
  void finished(std::size_t turn, std::vector<std::size_t> analysed) {
    std::lock_guard<std::mutex> hold(mutex_);
    analysed_[turn] = std::move(analysed);
    ready_[turn] = 1;
  }

  // Adds the ready turns that are next in order, unless another thread
  // is adding them.
  template <typename Sample>
  void addReady(const Sample* samples, std::size_t volumes) {
    std::unique_lock<std::mutex> hold(mutex_);
    if (adding_) return;
    adding_ = true;
    while (next_ < ready_.size() && ready_[next_] != 0) {
      const std::vector<std::size_t> analysed = std::move(analysed_[next_]);
      hold.unlock();
      volumeSumsWidest(samples, volumes, analysed, 0, volumes, signal_.data(), squaredDiff_.data());
      hold.lock();
      ++next_;
    }
    adding_ = false;
  }

  std::vector<double>& signal() { return signal_; }
  std::vector<double>& squaredDiff() { return squaredDiff_; }

 private:
  std::mutex mutex_;
  std::vector<std::vector<std::size_t>> analysed_;
  std::vector<char> ready_;
  std::size_t next_ = 0;
  bool adding_ = false;
  std::vector<double> signal_, squaredDiff_;
};

// Every voxel's numbers, `threads` threads taking turns at the voxels, and
// the per-volume sums over the analysed voxels in voxel order, each turn
// added to them as soon as the turns before it are.
template <typename Sample>
std::vector<VoxelNumbers> numbersOfVoxels(const Sample* samples, std::size_t voxels,
                                          std::size_t volumes, unsigned threads, VoxelMeans* means,
                                          std::vector<double>& signalSum,
                                          std::vector<double>& squaredDiffSum) {
  // Floor tests the reader already made need no second read of the run.
  const std::uint8_t* knownAbove = nullptr;
  if (means != nullptr && means->mean.size() == voxels && means->aboveFloor.size() == voxels) {
    knownAbove = means->aboveFloor.data();
  } else if (means != nullptr) {
    means->mean.assign(voxels, 0.0f);
    means->aboveFloor.assign(voxels, 0);
  }
  std::vector<VoxelNumbers> numbers(voxels);
  const std::size_t turns = (voxels + kVoxelsPerTurn - 1) / kVoxelsPerTurn;
  const unsigned shares =
      static_cast<unsigned>(std::max<std::size_t>(1, std::min<std::size_t>(threads, turns)));
  TurnSums sums(turns, volumes);
  // Each thread takes the next turn when it has finished one: a thread
  // that shares its processor with the plug-in runs slower than the
  // others, and turns dealt in advance would leave it the last to end.
  std::atomic<std::size_t> nextTurn{0};
  runShares(shares, [&](unsigned) {
    VoxelScratch scratch;
    scratch.courses.resize(kLanes * volumes);
    scratch.ordered.resize(volumes);
    scratch.spare.resize(volumes);
    const Sample* group[kLanes];
    std::size_t groupVoxels[kLanes];
    std::size_t grouped = 0;
    VoxelNumbers groupNumbers[kLanes];
    float testMeans[kVoxelsPerTest];
    std::uint8_t testAbove[kVoxelsPerTest];
    auto flush = [&] {
      for (std::size_t k = grouped; k < kLanes; ++k) group[k] = group[0];
      laneNumbers(group, volumes, scratch, groupNumbers);
      for (std::size_t k = 0; k < grouped; ++k) numbers[groupVoxels[k]] = groupNumbers[k];
      grouped = 0;
    };
    for (std::size_t turn = nextTurn++; turn < turns; turn = nextTurn++) {
      const std::size_t end = std::min(voxels, (turn + 1) * kVoxelsPerTurn);
      std::vector<std::size_t> turnAnalysed;
      // The floor test takes a few voxels at a time, whose courses are
      // still in cache when those above the floor are summed.
      for (std::size_t begin = turn * kVoxelsPerTurn; begin < end; begin += kVoxelsPerTest) {
        const std::size_t count = std::min(kVoxelsPerTest, end - begin);
        const std::uint8_t* above = testAbove;
        if (knownAbove != nullptr) {
          above = knownAbove + begin;
        } else {
          floorTestsWidest(samples, volumes, begin, begin + count, testMeans, testAbove);
          if (means != nullptr) {
            std::copy(testMeans, testMeans + count, means->mean.data() + begin);
            std::copy(testAbove, testAbove + count, means->aboveFloor.data() + begin);
          }
        }
        for (std::size_t voxel = begin; voxel < begin + count; ++voxel) {
          if (above[voxel - begin] == 0) continue;
          turnAnalysed.push_back(voxel);
          group[grouped] = samples + voxel * volumes;
          groupVoxels[grouped] = voxel;
          if (++grouped == kLanes) flush();
        }
      }
      sums.finished(turn, std::move(turnAnalysed));
      sums.addReady(samples, volumes);
    }
    if (grouped > 0) flush();
  });
  sums.addReady(samples, volumes);  // the turns left when their threads ended
  signalSum = std::move(sums.signal());
  squaredDiffSum = std::move(sums.squaredDiff());
  return numbers;
}

}  // namespace

bool isAnalysedVoxel(const SampleView& samples, std::size_t voxel) {
  const std::size_t t = samples.volumes;
  const float mean = samples.int16Samples != nullptr
                         ? analysisMean(samples.int16Samples + voxel * t, t)
                         : analysisMean(samples.floatSamples + voxel * t, t);
  return mean > kIntensityFloor;
}

std::optional<double> median(std::vector<double> values) {
  if (values.empty()) return std::nullopt;
  const std::size_t half = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(half), values.end());
  const double upper = values[half];
  if (values.size() % 2 == 1) return upper;
  const double lower = *std::max_element(values.begin(), values.begin() + static_cast<long>(half));
  return (lower + upper) / 2.0;
}

SampleStatistics computeSampleStatistics(const SampleView& samples, unsigned threads,
                                         VoxelMeans* means) {
  SampleStatistics stats;
  stats.voxels = samples.voxels;
  stats.volumes = samples.volumes;
  const std::size_t t = samples.volumes;
  stats.dvars.assign(t, std::nullopt);
  stats.stdDvars.assign(t, std::nullopt);
  stats.globalSignal.assign(t, std::nullopt);
  if (samples.empty() || t < 2) return stats;

  std::vector<double> signalSum, squaredDiffSum;
  std::vector<VoxelNumbers> numbers =
      samples.int16Samples != nullptr ? numbersOfVoxels(samples.int16Samples, samples.voxels, t,
                                                        threads, means, signalSum, squaredDiffSum)
                                      : numbersOfVoxels(samples.floatSamples, samples.voxels, t,
                                                        threads, means, signalSum, squaredDiffSum);
  std::vector<double> tsnr, ac12;  // over analysed voxels, in voxel order
  std::vector<std::size_t> analysed;
  double expectedDiffSdSum = 0;
  for (std::size_t voxel = 0; voxel < numbers.size(); ++voxel) {
    const VoxelNumbers& voxelNumbers = numbers[voxel];
    if (!voxelNumbers.analysed) continue;
    analysed.push_back(voxel);
    if (voxelNumbers.hasTsnr) tsnr.push_back(voxelNumbers.tsnr);
    if (t >= 4) ac12.push_back(voxelNumbers.ac12);
    expectedDiffSdSum += voxelNumbers.expectedDiffSd;
  }
  numbers = {};
  stats.voxelsAnalysed = analysed.size();
  if (stats.voxelsAnalysed == 0) return stats;

  const double n = static_cast<double>(stats.voxelsAnalysed);
  if (!tsnr.empty()) {
    double total = 0;
    for (double value : tsnr) total += value;
    stats.tsnrMean = finite(total / static_cast<double>(tsnr.size()));
    stats.tsnrMedian = median(std::move(tsnr));
    if (stats.tsnrMedian) stats.tsnrMedian = finite(*stats.tsnrMedian);
  }
  if (!ac12.empty()) {
    stats.ac12Median = median(std::move(ac12));
    if (stats.ac12Median) stats.ac12Median = finite(*stats.ac12Median);
  }
  const double expected = expectedDiffSdSum / n;
  if (expected > 0) stats.expectedDvars = finite(expected);
  for (std::size_t v = 0; v < t; ++v) {
    stats.globalSignal.set(v, finite(signalSum[v] / n));
    if (v == 0) continue;
    const std::optional<double> dvars = finite(std::sqrt(squaredDiffSum[v] / n));
    stats.dvars.set(v, dvars);
    if (dvars && stats.expectedDvars) stats.stdDvars.set(v, finite(*dvars / *stats.expectedDvars));
  }
  return stats;
}

}  // namespace quorvel::cli
