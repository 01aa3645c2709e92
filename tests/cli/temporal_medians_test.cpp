// Each voxel's median and the outliers about it, against a full sort of
// every course: courses short and long, with ties, of either sign and
// crossing zero, where the selection may look at part of a course only.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "cli/quality/temporal_iqms.h"

namespace quorvel::cli {
namespace {

double sortedMedian(std::vector<float> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return (static_cast<double>(values[(n - 1) / 2]) + static_cast<double>(values[n / 2])) / 2.0;
}

// Courses of one length: noisy, coarse (many ties), negative, crossing
// zero, and with infinite samples, each kind in several voxels.
std::vector<float> coursesOf(std::size_t voxels, std::size_t volumes) {
  std::mt19937 random(static_cast<unsigned>(volumes));
  std::normal_distribution<float> noise(0.0f, 1.0f);
  std::vector<float> samples(voxels * volumes);
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    for (std::size_t v = 0; v < volumes; ++v) {
      const float x = noise(random);
      float& sample = samples[voxel * volumes + v];
      switch (voxel % 5) {
        case 0:
          sample = 1000.0f + 10.0f * x;
          break;
        case 1:
          sample = std::round(2.0f * x) + 50.0f;
          break;
        case 2:
          sample = -300.0f + 5.0f * x;
          break;
        case 3:
          sample = v % 7 == 3 ? std::numeric_limits<float>::infinity() : 1000.0f + x;
          break;
        default:
          sample = std::round(x);
          break;
      }
    }
  }
  return samples;
}

class TemporalMedianTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(TemporalMedianTest, MediansAndOutliersMatchAFullSort) {
  const std::size_t volumes = GetParam(), voxels = 25;
  const std::vector<float> samples = coursesOf(voxels, volumes);
  const SampleView view{nullptr, samples.data(), voxels, volumes};
  const TemporalIqms iqms = temporalIqms(view, VoxelMask(voxels, 1), 0, 2);

  std::vector<std::size_t> outliers(volumes, 0);
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    const std::vector<float> course(samples.begin() + voxel * volumes,
                                    samples.begin() + (voxel + 1) * volumes);
    const double centre = sortedMedian(course);
    EXPECT_EQ(iqms.medianImage[voxel], centre) << "voxel " << voxel;
    std::vector<float> distance;
    distance.reserve(course.size());
    for (float x : course) {
      distance.push_back(static_cast<float>(std::fabs(static_cast<double>(x) - centre)));
    }
    const double mad = sortedMedian(distance);
    if (mad <= 0) continue;
    for (std::size_t v = 0; v < volumes; ++v) {
      if (std::fabs(static_cast<double>(course[v]) - centre) > outlierThreshold(volumes) * mad) {
        ++outliers[v];
      }
    }
  }
  if (volumes < 5) return;  // no outlier count for shorter courses
  for (std::size_t v = 0; v < volumes; ++v) {
    ASSERT_TRUE(iqms.aorSeries[v].has_value());
    EXPECT_EQ(*iqms.aorSeries[v], static_cast<double>(outliers[v]) / voxels) << "volume " << v;
  }
}

INSTANTIATE_TEST_SUITE_P(Lengths, TemporalMedianTest,
                         ::testing::Values(1, 2, 3, 5, 6, 7, 8, 11, 33, 64, 200, 601));

}  // namespace
}  // namespace quorvel::cli

namespace quorvel::cli {
namespace {

// The same whole numbers held as 16-bit samples or as floats give the same
// IQMs, bit for bit: each sample type has its own read of the courses.
TEST(SampleTypeTest, WholeNumbersGiveTheSameIqmsAsShortsOrFloats) {
  const std::size_t voxels = 43, volumes = 77;
  std::mt19937 random(3);
  std::normal_distribution<float> noise(0.0f, 20.0f);
  std::vector<std::int16_t> shorts(voxels * volumes);
  for (std::size_t i = 0; i < shorts.size(); ++i) {
    shorts[i] = static_cast<std::int16_t>(
        std::round(300.0f * static_cast<float>(i / volumes % 4) + noise(random) - 200.0f));
  }
  const std::vector<float> floats(shorts.begin(), shorts.end());
  VoxelMask mask(voxels, 1);
  for (std::size_t voxel = 0; voxel < voxels; voxel += 3) mask[voxel] = 0;
  const TemporalIqms a = temporalIqms({shorts.data(), nullptr, voxels, volumes}, mask, 2, 2);
  const TemporalIqms b = temporalIqms({nullptr, floats.data(), voxels, volumes}, mask, 2, 1);
  EXPECT_EQ(a.medianImage, b.medianImage);
  for (const auto& [x, y] : {std::pair{a.tsnr, b.tsnr},
                             {a.dvarsStd, b.dvarsStd},
                             {a.dvarsNstd, b.dvarsNstd},
                             {a.dvarsVstd, b.dvarsVstd},
                             {a.gcor, b.gcor},
                             {a.aor, b.aor},
                             {a.intensityMedian, b.intensityMedian}}) {
    ASSERT_TRUE(x.has_value() && y.has_value());
    EXPECT_EQ(*x, *y);
  }
  EXPECT_EQ(a.dvarsVstdSeries, b.dvarsVstdSeries);
  EXPECT_EQ(a.aorSeries, b.aorSeries);
}

}  // namespace
}  // namespace quorvel::cli
