// The fast parts of the quality pass against their plain definitions: the
// branch-free selection against sorting, and the voxel floor test against
// the plug-in's own single-precision mean.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "cli/quality/order_statistics.h"
#include "cli/quality/sample_statistics.h"
#include "cli/quality/voxel_floor.h"

namespace quorvel::cli {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kInfFloat = std::numeric_limits<float>::infinity();

// The bits of a selected value: a selection moves values, so it must give
// back the very value (NaN, -0.0), not one that merely compares equal.
std::uint64_t doubleBits(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

struct SelectionCase {
  std::string name;
  std::vector<double> values;
};

std::vector<double> noise(std::size_t count, unsigned seed, double spread) {
  std::mt19937 random(seed);
  std::normal_distribution<double> normal(1000.0, spread);
  std::vector<double> values(count);
  for (double& value : values) value = normal(random);
  return values;
}

std::vector<SelectionCase> selectionCases() {
  std::vector<SelectionCase> cases = {
      {"one", {5.0}},
      {"two", {7.0, -7.0}},
      {"noise", noise(600, 1, 10.0)},
      {"justAboveTheSmallRange", noise(33, 2, 10.0)},
      {"ties", noise(301, 3, 0.4)},
      {"constant", std::vector<double>(64, 1000.0)},
      {"withInfinities", noise(200, 4, 10.0)},
  };
  for (double& value : cases.back().values)
    value = value > 1005 ? kInf : value < 995 ? -kInf : value;
  cases.back().values.push_back(-0.0);
  std::vector<double> ascending(500), twoValues(99);
  for (std::size_t i = 0; i < ascending.size(); ++i) ascending[i] = static_cast<double>(i);
  for (std::size_t i = 0; i < twoValues.size(); ++i) twoValues[i] = i % 3 == 0 ? 2.0 : 1.0;
  cases.push_back({"ascending", ascending});
  cases.push_back({"descending", std::vector<double>(ascending.rbegin(), ascending.rend())});
  cases.push_back({"twoValues", twoValues});
  return cases;
}

class SelectRankTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(SelectRankTest, EveryRankIsTheSortedValue) {
  const std::vector<double>& values = GetParam().values;
  std::vector<double> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> work, scratch(values.size());
  for (std::size_t rank = 0; rank < values.size(); ++rank) {
    work = values;
    ASSERT_EQ(selectRank(work.data(), work.size(), rank, scratch.data()), sorted[rank])
        << "rank " << rank;
  }
}

INSTANTIATE_TEST_SUITE_P(Series, SelectRankTest, ::testing::ValuesIn(selectionCases()),
                         [](const auto& info) { return info.param.name; });

// Both ranks at once give bit for bit what two single selections give,
// also where NaN leaves no order and the answer depends on the steps taken.
class SelectTwoRanksTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(SelectTwoRanksTest, AgreesWithTwoSingleSelections) {
  const std::vector<double>& values = GetParam().values;
  const std::size_t n = values.size();
  const std::size_t step = std::max<std::size_t>(1, n / 23);
  std::vector<double> work, scratch(n);
  auto single = [&](std::size_t rank) {
    work = values;
    return selectRank(work.data(), n, rank, scratch.data());
  };
  for (std::size_t low = 0; low < n; low += step) {
    for (std::size_t high = low; high < n; high += step) {
      const double lowValue = single(low), highValue = single(high);
      work = values;
      const auto [first, second] = selectTwoRanks(work.data(), n, low, high, scratch.data());
      ASSERT_EQ(doubleBits(first), doubleBits(lowValue)) << low << ", " << high;
      ASSERT_EQ(doubleBits(second), doubleBits(highValue)) << low << ", " << high;
    }
  }
}

// The float selection (sixteen values a step where the processor allows)
// answers what the double one does, NaN and the sign of zero included,
// for every pair of ranks; the double one ends in std::nth_element on a
// copy, and without NaN both answer what it does on the whole series.
void expectFloatSelectionAgrees(std::vector<double> values) {
  std::vector<float> floats(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    floats[i] = static_cast<float>(values[i]);
    values[i] = static_cast<double>(floats[i]);
  }
  const std::size_t n = values.size();
  const std::size_t step = std::max<std::size_t>(1, n / 17);
  std::vector<double> work, scratch(n);
  std::vector<float> floatWork, floatScratch(n);
  for (std::size_t low = 0; low < n; low += step) {
    for (std::size_t high = low; high < n; high += step) {
      work = values;
      floatWork = floats;
      const auto [first, second] = selectTwoRanks(work.data(), n, low, high, scratch.data());
      const auto [floatFirst, floatSecond] =
          selectTwoRanks(floatWork.data(), n, low, high, floatScratch.data());
      const double asDouble[2] = {floatFirst, floatSecond};
      ASSERT_EQ(doubleBits(first), doubleBits(asDouble[0])) << low << ", " << high;
      ASSERT_EQ(doubleBits(second), doubleBits(asDouble[1])) << low << ", " << high;
      if (std::any_of(floats.begin(), floats.end(), [](float v) { return v != v; })) continue;
      for (const auto& [rank, value] : {std::pair{low, floatFirst}, std::pair{high, floatSecond}}) {
        floatWork = floats;
        std::nth_element(floatWork.begin(), floatWork.begin() + rank, floatWork.end());
        ASSERT_EQ(value, floatWork[rank]) << "rank " << rank;
      }
    }
  }
}

class FloatSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(FloatSelectionTest, AgreesWithTheDoubleSelection) {
  expectFloatSelectionAgrees(GetParam().values);
}

std::vector<SelectionCase> twoRankCases() {
  std::vector<SelectionCase> cases = selectionCases();
  std::vector<double> withNaN = noise(600, 5, 10.0), nanPivot = noise(97, 6, 10.0);
  for (std::size_t i = 0; i < withNaN.size(); i += 37) withNaN[i] = std::nan("");
  nanPivot[0] = nanPivot[48] = nanPivot[96] = std::nan("");
  cases.push_back({"withNaN", withNaN});
  cases.push_back({"nanPivot", nanPivot});
  return cases;
}

// Series of every length around the point where the selection stops
// partitioning, drawn from values that could set its last step apart from
// std::nth_element (no values to draw from: noise).
struct ShortSeriesDraw {
  std::string name;
  std::vector<double> choices;
};

class ShortFloatSelectionTest : public ::testing::TestWithParam<ShortSeriesDraw> {};

TEST_P(ShortFloatSelectionTest, AgreesWithTheDoubleSelectionAtEveryLength) {
  const std::vector<double>& choices = GetParam().choices;
  std::mt19937 random(11);
  std::uniform_int_distribution<std::size_t> pick(0, std::max<std::size_t>(choices.size(), 1) - 1);
  for (std::size_t n = 1; n <= 70; ++n) {
    std::vector<double> values = choices.empty() ? noise(n, 20 + n, 10.0) : std::vector<double>(n);
    for (double& value : values) value = choices.empty() ? value : choices[pick(random)];
    SCOPED_TRACE(std::to_string(n) + " values");
    expectFloatSelectionAgrees(values);
    if (HasFatalFailure()) return;
  }
}

const double kTiny = std::numeric_limits<float>::denorm_min();
INSTANTIATE_TEST_SUITE_P(
    Draws, ShortFloatSelectionTest,
    ::testing::Values(ShortSeriesDraw{"noise", {}}, ShortSeriesDraw{"ties", {-1, -0.0, 0, 1, 2}},
                      ShortSeriesDraw{"allEqual", {512}},
                      ShortSeriesDraw{"signedZeros", {0, -0.0, 1, -1}},
                      ShortSeriesDraw{"negativeZeros", {-0.0, 3, -3}},
                      ShortSeriesDraw{"infinities", {kInf, -kInf, 2, -2}},
                      ShortSeriesDraw{
                          "denormals",
                          {kTiny, -kTiny, 3 * kTiny, 0, std::numeric_limits<float>::min()}},
                      ShortSeriesDraw{"withNaN", {std::nan(""), 5, 6, 7, 8, -0.0}}),
    [](const auto& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(Series, SelectTwoRanksTest, ::testing::ValuesIn(twoRankCases()),
                         [](const auto& info) { return info.param.name; });
INSTANTIATE_TEST_SUITE_P(Series, FloatSelectionTest, ::testing::ValuesIn(twoRankCases()),
                         [](const auto& info) { return info.param.name; });

// Courses whose plug-in mean lies on, just beside or far from the floor,
// or which only an exact single-precision sum decides.
TEST(VoxelFloorTest, AgreesWithThePluginMeanNearAndFarFromTheFloor) {
  const float justAbove = std::nextafter(100.0f, 200.0f);
  const std::vector<std::vector<float>> courses = {{100, 100, 100, 100},
                                                   {justAbove, justAbove, justAbove},
                                                   {99.99f, 100.01f},
                                                   {1e8f, -1e8f + 300, 1e-3f},
                                                   {3e38f, 3e38f, -3e38f, -3e38f},
                                                   {kInfFloat, 1, 2},
                                                   {-kInfFloat, 500, 500},
                                                   {200, 0, 100.5f, 99.5f, 100.00001f},
                                                   {0.1f, 0.2f, 0.3f, 399.4f},
                                                   {std::numeric_limits<float>::quiet_NaN(), 500}};
  for (const std::vector<float>& course : courses) {
    float mean = 0;
    const bool above = meanAboveFloor(course.data(), course.size(), 100.0, mean);
    EXPECT_EQ(above, analysisMean(course.data(), course.size()) > 100.0f) << course[0];
  }
  const std::vector<std::vector<std::int16_t>> intCourses = {{100, 100, 101, 99},
                                                             {101, 100, 100, 100},
                                                             {32767, -32768, 32767, -32566},
                                                             {-32768, 32767, 200}};
  for (const std::vector<std::int16_t>& course : intCourses) {
    float mean = 0;
    const bool above = meanAboveFloor(course.data(), course.size(), 100.0, mean);
    EXPECT_EQ(above, analysisMean(course.data(), course.size()) > 100.0f) << course[0];
  }
}

// The run's statistics, plainly: one voxel at a time, one loop per sum,
// quartiles by sorting. The command's pass (eight voxels in vector lanes
// of whatever width the processor has, on several threads) must give
// these bits exactly.
template <typename Sample>
SampleStatistics plainStatistics(const std::vector<Sample>& samples, std::size_t voxels,
                                 std::size_t t) {
  SampleStatistics stats;
  std::vector<double> tsnr, ac12, signal(t, 0.0), squaredDiff(t, 0.0);
  double expectedSum = 0;
  const long pairs1 = static_cast<long>(t % 2 == 0 ? t : t - 1) - 1, pairs2 = pairs1 - 1;
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    const Sample* x = samples.data() + voxel * t;
    if (!(analysisMean(x, t) > 100.0f)) continue;
    ++stats.voxelsAnalysed;
    double total = 0, squares = 0, lagged = 0, lag1 = 0, lag2 = 0;
    for (std::size_t v = 0; v < t; ++v) total += static_cast<double>(x[v]);
    const double mean = total / static_cast<double>(t);
    auto d = [&](std::size_t v) { return static_cast<double>(x[v]) - mean; };
    for (std::size_t v = 0; v < t; ++v) squares += d(v) * d(v);
    for (std::size_t v = 1; v < t; ++v) lagged += d(v - 1) * d(v);
    for (long v = 1; v <= pairs1; ++v) lag1 += d(static_cast<std::size_t>(v) - 1) * d(v);
    for (long v = 2; v <= pairs2 + 1; ++v) lag2 += d(static_cast<std::size_t>(v) - 2) * d(v);
    const double sd = std::sqrt(squares / static_cast<double>(t - 1));
    if (sd > 0) tsnr.push_back(mean / sd);
    double r = 0;
    if (t >= 4 && sd > 0.01) {
      r += lag1 / (static_cast<double>(pairs1) * sd * sd);
      r += lag2 / (static_cast<double>(pairs2) * sd * sd);
    }
    if (t >= 4) ac12.push_back(r);
    std::vector<double> sorted(x, x + t);
    std::sort(sorted.begin(), sorted.end());
    const double last = static_cast<double>(t - 1);
    const double q1 = sorted[static_cast<std::size_t>(std::floor(0.25 * last))];
    const double q3 = sorted[static_cast<std::size_t>(std::floor(0.75 * last))];
    const double phi = squares > 0 ? lagged / squares : 0.0;
    expectedSum += (q3 - q1) / 1.349 * std::sqrt(2.0 * (1.0 - phi));
    for (std::size_t v = 0; v < t; ++v) {
      signal[v] += static_cast<double>(x[v]);
      if (v > 0)
        squaredDiff[v] +=
            (static_cast<double>(x[v]) - x[v - 1]) * (static_cast<double>(x[v]) - x[v - 1]);
    }
  }
  const double n = static_cast<double>(stats.voxelsAnalysed);
  double tsnrTotal = 0;
  for (double value : tsnr) tsnrTotal += value;
  stats.tsnrMean = tsnrTotal / static_cast<double>(tsnr.size());
  stats.tsnrMedian = median(tsnr);
  if (!ac12.empty()) stats.ac12Median = median(ac12);
  if (expectedSum / n > 0) stats.expectedDvars = expectedSum / n;
  for (std::size_t v = 0; v < t; ++v) {
    stats.globalSignal.push_back(signal[v] / n);
    stats.dvars.push_back(std::sqrt(squaredDiff[v] / n));
  }
  return stats;
}

template <typename Sample>
std::vector<Sample> noisyRun(std::size_t voxels, std::size_t t, unsigned seed) {
  std::mt19937 random(seed);
  std::normal_distribution<double> level(600.0, 400.0), noise(0.0, 1.0);
  std::vector<Sample> samples(voxels * t);
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    const double mean = level(random), spread = std::fabs(level(random)) / 50.0;
    for (std::size_t v = 0; v < t; ++v) {
      samples[voxel * t + v] = static_cast<Sample>(mean + spread * noise(random));
    }
  }
  if constexpr (std::is_same_v<Sample, std::int16_t>) {
    for (std::size_t v = 0; v < t; ++v) samples[3 * t + v] = v % 2 == 0 ? 32767 : -32768;
  } else {
    samples[5 * t + t / 2] = kInfFloat;  // one voxel's numbers turn NaN or infinite
  }
  for (std::size_t v = 0; v < t; ++v) samples[7 * t + v] = 500;  // constant: no TSNR
  return samples;
}

std::string bitsOf(const std::optional<double>& value) {
  if (!value) return "none";
  std::uint64_t bits;
  std::memcpy(&bits, &*value, sizeof bits);
  return std::to_string(bits);
}

template <typename Sample>
void expectPlainStatistics(std::size_t voxels, std::size_t t, unsigned threads) {
  const std::vector<Sample> samples = noisyRun<Sample>(voxels, t, static_cast<unsigned>(t));
  SampleView view;
  if constexpr (std::is_same_v<Sample, std::int16_t>) {
    view.int16Samples = samples.data();
  } else {
    view.floatSamples = samples.data();
  }
  view.voxels = voxels;
  view.volumes = t;
  const SampleStatistics fast = computeSampleStatistics(view, threads);
  const SampleStatistics plain = plainStatistics(samples, voxels, t);
  const std::string where = std::to_string(t) + " volumes, " + std::to_string(threads) + " threads";
  ASSERT_EQ(fast.voxelsAnalysed, plain.voxelsAnalysed) << where;
  auto finiteOnly = [](const std::optional<double>& value) -> std::optional<double> {
    if (value && std::isfinite(*value)) return value;
    return std::nullopt;
  };
  EXPECT_EQ(bitsOf(fast.tsnrMean), bitsOf(finiteOnly(plain.tsnrMean))) << where;
  EXPECT_EQ(bitsOf(fast.tsnrMedian), bitsOf(finiteOnly(plain.tsnrMedian))) << where;
  EXPECT_EQ(bitsOf(fast.ac12Median), bitsOf(finiteOnly(plain.ac12Median))) << where;
  EXPECT_EQ(bitsOf(fast.expectedDvars), bitsOf(finiteOnly(plain.expectedDvars))) << where;
  for (std::size_t v = 0; v < t; ++v) {
    EXPECT_EQ(bitsOf(fast.globalSignal[v]), bitsOf(finiteOnly(plain.globalSignal[v])))
        << where << ", volume " << v;
    if (v > 0) {
      EXPECT_EQ(bitsOf(fast.dvars[v]), bitsOf(finiteOnly(plain.dvars[v])))
          << where << ", volume " << v;
    }
  }
}

TEST(SampleStatisticsTest, EqualsThePlainDefinitionBitForBit) {
  // Grids that end in a partial group of lanes, floor test and turn of
  // voxels, runs too short for a lag, odd and even, and longer than a
  // vector or a block of eight; threads that finish their turns in any order.
  for (const std::size_t t : {2, 3, 4, 5, 8, 9, 16, 17, 40, 123}) {
    for (const unsigned threads : {1u, 2u, 3u}) {
      expectPlainStatistics<float>(3203, t, threads);
      expectPlainStatistics<std::int16_t>(3203, t, threads);
    }
  }
}

}  // namespace
}  // namespace quorvel::cli
