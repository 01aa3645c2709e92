// The quality index of every volume against Spearman's correlation worked
// out plainly: ranks from a full sort, ties at their mean rank, Pearson's
// correlation of the ranks. Runs of both sample types, with ties, signed
// zeros, constant volumes and values spread over the whole float range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "cli/quality/quality_index.h"

namespace quorvel::cli {
namespace {

std::vector<double> plainRanks(const std::vector<double>& values) {
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return values[a] < values[b]; });
  std::vector<double> ranks(values.size());
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i;
    while (j < order.size() && values[order[j]] == values[order[i]]) ++j;
    for (std::size_t k = i; k < j; ++k) ranks[order[k]] = 0.5 * static_cast<double>(i + j - 1);
    i = j;
  }
  return ranks;
}

double plainIndex(const std::vector<double>& a, const std::vector<double>& b) {
  const std::vector<double> ra = plainRanks(a), rb = plainRanks(b);
  const double centre = 0.5 * (static_cast<double>(a.size()) - 1);
  double products = 0, squaresA = 0, squaresB = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    products += (ra[i] - centre) * (rb[i] - centre);
    squaresA += (ra[i] - centre) * (ra[i] - centre);
    squaresB += (rb[i] - centre) * (rb[i] - centre);
  }
  return 1 - (squaresA > 0 && squaresB > 0 ? products / std::sqrt(squaresA * squaresB) : 0);
}

struct IndexCase {
  std::string name;
  bool int16;
  double (*sample)(double level, double noise, std::size_t volume);
};

const IndexCase kCases[] = {
    {"noise", false, [](double l, double e, std::size_t) { return l + e; }},
    {"coarseTies", false, [](double l, double e, std::size_t) { return std::round((l + e) / 40); }},
    {"signedZeros", false,
     [](double l, double e, std::size_t) { return std::round(0.01 * (l - 500) + e) * 0.0; }},
    {"constantVolumes", false,
     [](double l, double e, std::size_t v) { return v % 3 == 0 ? 7.0 : l + e; }},
    {"wholeFloatRange", false,
     [](double l, double e, std::size_t) {
       return (e < 0 ? -1 : 1) * std::pow(10.0, l / 40 - 12);
     }},
    {"int16", true, [](double l, double e, std::size_t) { return std::round(l / 4 + e - 100); }},
};

class QualityIndexTest : public ::testing::TestWithParam<IndexCase> {};

TEST_P(QualityIndexTest, EveryVolumeMatchesAPlainSpearmanCorrelation) {
  // Fewer than 223 positive medians: no clip level, so every voxel counts.
  const std::size_t voxels = 150, volumes = 70, first = 3;
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 30);
  std::vector<double> level(voxels), values(voxels * volumes);
  for (std::size_t i = 0; i < voxels; ++i) level[i] = 20.0 * static_cast<double>(i % 50);
  for (std::size_t i = 0; i < voxels; ++i) {
    for (std::size_t v = 0; v < volumes; ++v) {
      values[i * volumes + v] = GetParam().sample(level[i], noise(random), v);
    }
  }
  std::vector<float> floats(values.begin(), values.end());
  std::vector<std::int16_t> shorts(values.begin(), values.end());
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = GetParam().int16 ? shorts[i] : static_cast<double>(floats[i]);
  }
  SampleView view{nullptr, nullptr, voxels, volumes};
  if (GetParam().int16) {
    view.int16Samples = shorts.data();
  } else {
    view.floatSamples = floats.data();
  }
  const QualityIndex index = qualityIndex(view, level, first, 2);

  double total = 0;
  for (std::size_t v = 0; v < volumes; ++v) {
    std::vector<double> volume(voxels);
    for (std::size_t i = 0; i < voxels; ++i) volume[i] = values[i * volumes + v];
    const double expected = plainIndex(volume, level);
    ASSERT_TRUE(index.series[v].has_value()) << "volume " << v;
    EXPECT_NEAR(*index.series[v], expected, 1e-12) << "volume " << v;
    if (v >= first) total += expected;
  }
  ASSERT_TRUE(index.mean.has_value());
  EXPECT_NEAR(*index.mean, total / static_cast<double>(volumes - first), 1e-12);
}

INSTANTIATE_TEST_SUITE_P(Runs, QualityIndexTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace quorvel::cli
