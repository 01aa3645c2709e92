// Each IQM's definition on a case small enough to work out by hand.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "cli/quality/clip_level.h"
#include "cli/quality/distribution_summary.h"
#include "cli/quality/functional_iqms.h"
#include "cli/quality/image_iqms.h"
#include "cli/quality/normal_quantile.h"
#include "cli/quality/quality_index.h"
#include "cli/quality/run_verdict.h"
#include "cli/quality/smoothness.h"
#include "cli/quality/steady_state.h"

namespace quorvel::cli {
namespace {

struct ValueCase {
  const char* name;
  std::optional<double> found;
  std::optional<double> expected;  // empty: undefined
};

class DefinitionTest : public ::testing::TestWithParam<ValueCase> {};

TEST_P(DefinitionTest, GivesTheHandWorkedValue) {
  const ValueCase& c = GetParam();
  ASSERT_EQ(c.found.has_value(), c.expected.has_value());
  if (c.expected) {
    EXPECT_NEAR(*c.found, *c.expected, 1e-9 * std::max(1.0, std::fabs(*c.expected)));
  }
}

VoxelImage repeated(const std::vector<std::pair<std::size_t, double>>& runs) {
  VoxelImage image;
  for (const auto& [count, value] : runs) image.insert(image.end(), count, value);
  return image;
}

// One voxel of six volumes: median 11, MAD 1, lower quartiles 10 and 11,
// population sd sqrt(10/6), lag-1 coefficient -5/10, steps 2 1 2 4 2.
FunctionalIqms oneVoxel() {
  static const std::vector<float> course = {10, 12, 11, 13, 9, 11};
  SampleView view;
  view.floatSamples = course.data();
  view.voxels = 1;
  view.volumes = course.size();
  const VoxelMask mask = {1};
  return computeFunctionalIqms(view, VoxelGrid{1, 1, 1}, 1, &mask);
}

// A 7 x 7 x 7 image: the mask is the inner 5 x 5 x 5 cube at 100 but for
// its centre 3 x 3 x 3 at 10 ... 36; outside, the faces across the first
// axis (the N/2 ghost of the mask along it) hold 6, the rest 2.
ImageIqms cube(const VoxelGrid& grid = {7, 7, 7}) {
  VoxelImage image(grid.voxels(), 2.0);
  VoxelMask mask(grid.voxels(), 0);
  int centre = 10;
  for (std::size_t z = 0; z < 7; ++z) {
    for (std::size_t y = 0; y < 7; ++y) {
      for (std::size_t x = 0; x < 7; ++x) {
        const std::size_t voxel = x + 7 * (y + 7 * z);
        const auto within = [](std::size_t a, std::size_t lo, std::size_t hi) {
          return a >= lo && a <= hi;
        };
        if (within(x, 1, 5) && within(y, 1, 5) && within(z, 1, 5)) {
          mask[voxel] = 1;
          image[voxel] = within(x, 2, 4) && within(y, 2, 4) && within(z, 2, 4) ? centre++ : 100.0;
        } else if ((x == 0 || x == 6) && within(y, 1, 5) && within(z, 1, 5)) {
          image[voxel] = 6.0;
        }
      }
    }
  }
  return imageIqms(image, mask, grid);
}

// An 8 x 2 x 2 step: 1 for x < 4, else 0. Along x: 28 steps, 4 of -1;
// the values' sample variance is 8/31.
Smoothness step() {
  const VoxelGrid grid{8, 2, 2};
  VoxelImage image(grid.voxels());
  for (std::size_t voxel = 0; voxel < image.size(); ++voxel) image[voxel] = voxel % 8 < 4 ? 1 : 0;
  return firstDifferenceFwhm(image, VoxelMask(grid.voxels(), 1), grid);
}

double fwhmOfCorrelation(double r) { return 2.35482 * std::sqrt(-1 / (4 * std::log(r))); }

std::vector<ValueCase> cases() {
  const FunctionalIqms one = oneVoxel();
  const ImageIqms c = cube();
  // Stored with the scanner's x along j and y along i, or y along k.
  const ImageIqms swapped = cube({7, 7, 7, 1, 0});
  const ImageIqms sagittal = cube({7, 7, 7, 0, 2});
  const Smoothness s = step();
  const DistributionSummary summary = summarise({1, 2, 3, 4, 10});
  const double predictedStepSd = 1 / 1.349 * std::sqrt(3.0);
  return {
      {"upper normal quantile 2.5%", upperNormalQuantile(0.025), 1.959963984540054},
      {"upper normal quantile 1e-6", upperNormalQuantile(1e-6), 4.753424308822899},
      {"outlier threshold 100 volumes", outlierThreshold(100),
       4.264890793922825 * std::sqrt(std::acos(-1.0) / 2)},
      {"clip level two levels", clipLevel(repeated({{300, 100}, {300, 900}, {1, 1000}})), 450.0},
      {"clip level scaled by 3", clipLevel(repeated({{300, 300}, {300, 2700}, {1, 3000}})), 1350.0},
      {"clip level of too few", clipLevel(repeated({{222, 100}})), 0.0},
      {"dummies: two bright",
       static_cast<double>(nonSteadyStateVolumes({200, 190, 100, 101, 99, 100, 102, 98})), 2.0},
      {"dummies: none",
       static_cast<double>(nonSteadyStateVolumes({100, 190, 100, 101, 99, 100, 102, 98})), 0.0},
      {"dummies: flat signal", static_cast<double>(nonSteadyStateVolumes({5, 5, 5, 5})), 0.0},
      {"summary mean", summary.mean, 4.0},
      {"summary stdv", summary.stdv, std::sqrt(10.0)},
      {"summary median", summary.median, 3.0},
      {"summary mad", summary.mad, 1 / 0.6744897501960817},
      {"summary p05", summary.p05, 1.2},
      {"summary p95", summary.p95, 8.8},
      {"summary k", summary.k, 278.8 / 100 - 3},
      {"tsnr", one.temporal.tsnr, 11 / std::sqrt(10.0 / 6)},
      {"dvars_std", one.temporal.dvarsStd, 2.2 / predictedStepSd},
      {"dvars_vstd", one.temporal.dvarsVstd, 2.2 / predictedStepSd},
      {"dvars_nstd", one.temporal.dvarsNstd, 2.2 * 1000 / 11},
      {"gcor", one.temporal.gcor, 1.0},
      {"aor", one.temporal.aor, 0.0},
      {"aqi below 9 voxels", one.quality.mean, std::nullopt},
      {"efc of a single voxel", one.image.efc, std::nullopt},
      {"fber", c.fber, 10000.0 / 4},
      {"gsr_x", c.gsrX, (6.0 - 2.0) / 100},
      {"gsr_y", c.gsrY, (2.0 - (50 * 6.0 + 118 * 2.0) / 168) / 100},
      {"gsr_x along the grid's j", swapped.gsrX, (2.0 - (50 * 6.0 + 118 * 2.0) / 168) / 100},
      {"gsr_y along the grid's i", swapped.gsrY, (6.0 - 2.0) / 100},
      {"gsr_y along the grid's k", sagittal.gsrY, (2.0 - (50 * 6.0 + 118 * 2.0) / 168) / 100},
      {"snr", c.snr, 23 / (std::sqrt((27 * 27 - 1) / 12.0) * std::sqrt(27.0 / 26))},
      {"summary_fg_n", static_cast<double>(c.foreground.n), 27.0},
      {"summary_bg below 1000 voxels", c.background.mean, 0.0},
      {"fwhm_x", s.x, fwhmOfCorrelation(1 - 0.5 * ((4 - 16.0 / 28) / 27) / (8.0 / 31))},
      {"fwhm_y of a flat axis", s.y, std::nullopt},
      {"fwhm_avg with an axis undefined", s.average, std::nullopt},
      {"chance of a voxel beyond 4 sd", chanceOfOutlyingVoxel(4, 1), 6.334248366623996e-05},
      {"chance among 111324 voxels", chanceOfOutlyingVoxel(4, 111324),
       1 - std::pow(1 - 6.334248366623996e-05, 111324)},
  };
}

INSTANTIATE_TEST_SUITE_P(Iqms, DefinitionTest, ::testing::ValuesIn(cases()), [](const auto& info) {
  std::string name = info.param.name;
  for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
  return name;
});

TEST(RankTest, TiesShareTheirMeanRank) {
  const std::vector<float> values = {3, 1, 3, 2, -0.0f, 0.0f};
  std::vector<double> ranks(values.size());
  RankScratch scratch;
  const double squares = centredRanks(values.data(), values.size(), ranks.data(), scratch);
  // Ranks 4.5 2 4.5 3 0.5 0.5, less 2.5.
  EXPECT_EQ(ranks, (std::vector<double>{2, -0.5, 2, 0.5, -2, -2}));
  EXPECT_DOUBLE_EQ(squares, 4 + 0.25 + 4 + 0.25 + 4 + 4);
}

}  // namespace
}  // namespace quorvel::cli
