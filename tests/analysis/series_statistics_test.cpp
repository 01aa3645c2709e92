#include "analysis/series_statistics.h"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "float_bits.h"
#include "reference_statistics.h"

namespace {

using quorvel::computeLaggedAutocorrelation;
using quorvel::computeMean;
using quorvel::computeMinMax;
using quorvel::computeStdDev;
using quorvel::computeStdDevAroundMean;
using quorvel_test::refAutocorrelation;
using quorvel_test::refMean;
using quorvel_test::refStdDev;
using quorvel_test::sameFloat;

int sizeOf(const std::vector<float>& s) { return static_cast<int>(s.size()); }

TEST(SeriesStatistics, MeanRoundsTheRunningSumAfterEveryAddition) {
  // 2^24 + 1 is not a float: each +1 is lost, so the sum stays 2^24.
  const std::vector<float> s = {16777216.0f, 1.0f, 1.0f};
  EXPECT_TRUE(sameFloat(static_cast<float>(16777216.0 / 3.0), computeMean(s.data(), 3)));
  // A sum in double would have kept both ones.
  EXPECT_FALSE(sameFloat(static_cast<float>(16777218.0 / 3.0), computeMean(s.data(), 3)));
  const std::vector<float> quarters = {1.0f, 2.0f, 3.0f, 4.0f};
  EXPECT_EQ(2.5f, computeMean(quarters.data(), 4));
}

TEST(SeriesStatistics, StdDevUsesDivisorNMinusOne) {
  const std::vector<float> s = {1.0f, 2.0f, 3.0f, 4.0f};
  // Squares 2.25 + 0.25 + 0.25 + 2.25 = 5, divided by 3.
  const float expected =
      static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(5.0 / 3.0))));
  EXPECT_TRUE(sameFloat(expected, computeStdDevAroundMean(s.data(), 4, 2.5f)));
  EXPECT_TRUE(sameFloat(expected, computeStdDev(s.data(), 4)));
  // Around a given mean, not the series' own.
  EXPECT_TRUE(
      sameFloat(static_cast<float>(std::sqrt(static_cast<double>(static_cast<float>(30.0 / 3.0)))),
                computeStdDevAroundMean(s.data(), 4, 0.0f)));
}

TEST(SeriesStatistics, MatchesTheReferenceOnIrregularSeries) {
  const std::vector<std::vector<float>> series = {
      {1012.25f, 998.5f, 1003.125f, 987.0f, 1020.75f, 1001.0f},
      {101.003105f, 100.9935f, 100.990257f, 100.978859f},
      {0.1f, 0.2f, 0.3f, 0.7f, 1e-3f},
      {-3.5f, 250.0f, 17.25f},
  };
  for (const auto& s : series) {
    const int n = sizeOf(s);
    EXPECT_TRUE(sameFloat(refMean(s), computeMean(s.data(), n)));
    EXPECT_TRUE(sameFloat(refStdDev(s, refMean(s)), computeStdDev(s.data(), n)));
    for (int lag : {1, 2}) {
      EXPECT_TRUE(
          sameFloat(refAutocorrelation(s, lag), computeLaggedAutocorrelation(s.data(), n, lag)))
          << "n " << n << ", lag " << lag;
    }
  }
}

TEST(SeriesStatistics, ShortSeriesAreDefined) {
  const float one = 1234.5f;
  EXPECT_EQ(1234.5f, computeMean(&one, 1));
  EXPECT_EQ(0.0f, computeStdDev(&one, 1));
  EXPECT_EQ(0.0f, computeLaggedAutocorrelation(&one, 1, 1));
  EXPECT_EQ(0.0f, computeLaggedAutocorrelation(&one, 1, 2));
  EXPECT_EQ(0.0f, computeMean(nullptr, 0));
  float max = 7, min = 7;
  computeMinMax(nullptr, 0, &max, &min);
  EXPECT_EQ(0.0f, max);
  EXPECT_EQ(0.0f, min);
}

TEST(SeriesStatistics, MinMaxComparesStrictlySoNaNNeverReplacesAValue) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> s = {3.0f, nan, -2.0f, 5.0f, nan, -2.0f};
  float max = 0, min = 0;
  computeMinMax(s.data(), sizeOf(s), &max, &min);
  EXPECT_EQ(5.0f, max);
  EXPECT_EQ(-2.0f, min);
  // A NaN in the first place stays: nothing compares greater or smaller.
  const std::vector<float> first = {nan, 1.0f, -1.0f};
  computeMinMax(first.data(), 3, &max, &min);
  EXPECT_TRUE(std::isnan(max));
  EXPECT_TRUE(std::isnan(min));
}

TEST(SeriesStatistics, OddSeriesLeaveTheirLastValueOutOfThePairs) {
  // t = 5: lag 1 sums pairs 0-1, 1-2, 2-3 and lag 2 sums 0-2, 1-3; volume 4
  // enters only the mean and the deviation. pairSum sums exactly the pairs
  // it is told to.
  const std::vector<float> s = {2.0f, -1.0f, 0.5f, 1.5f, -3.0f};
  const float m = refMean(s);
  const float sd = refStdDev(s, m);
  auto pairSum = [&](int lag, int pairs) {
    float sum = 0;
    for (int i = 0; i < pairs; ++i) {
      sum = static_cast<float>(sum + (double{s[i]} - m) * (double{s[i + lag]} - m));
    }
    return static_cast<float>(sum / ((double(pairs) * sd) * sd));
  };
  EXPECT_TRUE(sameFloat(pairSum(1, 3), computeLaggedAutocorrelation(s.data(), 5, 1)));
  EXPECT_TRUE(sameFloat(pairSum(2, 2), computeLaggedAutocorrelation(s.data(), 5, 2)));

  // t = 6: lag 1 sums all five pairs.
  const std::vector<float> even = {2.0f, -1.0f, 0.5f, 1.5f, -3.0f, 4.0f};
  const float me = refMean(even);
  const float sde = refStdDev(even, me);
  float sum = 0;
  for (int i = 0; i < 5; ++i) {
    sum = static_cast<float>(sum + (double{even[i]} - me) * (double{even[i + 1]} - me));
  }
  EXPECT_TRUE(sameFloat(static_cast<float>(sum / ((5.0 * sde) * sde)),
                        computeLaggedAutocorrelation(even.data(), 6, 1)));
}

TEST(SeriesStatistics, AutocorrelationWithoutPairsOrVariation) {
  // t = 2 and t = 3 have no lag-2 pair: 0 / 0 once sd is above the floor.
  const std::vector<float> two = {1.0f, -1.0f};
  EXPECT_TRUE(std::isnan(computeLaggedAutocorrelation(two.data(), 2, 2)));
  const std::vector<float> three = {1.0f, -1.0f, 0.5f};
  EXPECT_TRUE(std::isnan(computeLaggedAutocorrelation(three.data(), 3, 2)));
  // No variation: 0 whatever the pairs.
  const std::vector<float> flat(100, 1000.0f);
  EXPECT_EQ(0.0f, computeLaggedAutocorrelation(flat.data(), 100, 1));
  // A negative lag would read before the series.
  EXPECT_EQ(0.0f, computeLaggedAutocorrelation(two.data(), 2, -1));
}

TEST(SeriesStatistics, AutocorrelationNeedsDeviationAboveTheFloor) {
  // This series has a standard deviation of exactly the float nearest 0.01,
  // which is below the double 0.01.
  const std::vector<float> s = {101.003105f, 100.9935f, 100.990257f, 100.978859f};
  ASSERT_EQ(0.01f, refStdDev(s, refMean(s)));
  EXPECT_EQ(0.01f, computeStdDev(s.data(), 4));
  EXPECT_EQ(0.0f, computeLaggedAutocorrelation(s.data(), 4, 1));
}

}  // namespace
