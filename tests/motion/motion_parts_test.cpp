// The motion numbers made from parameters, and the runs whose motion
// cannot be estimated.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "cli/motion/framewise_displacement.h"
#include "cli/motion/motion_quality.h"
#include "cli/motion/plain_trigonometry.h"
#include "cli/motion/run_motion.h"
#include "cli/motion/volume_gather.h"

namespace {

using namespace quorvel::cli;

RigidMotion motion(double tx, double ty, double tz, double rx, double ry, double rz) {
  return RigidMotion{{tx, ty, tz}, {rx, ry, rz}};
}

struct FdCase {
  double threshold;
  long fdNum;
  double fdPerc;
};

class FramewiseDisplacement : public testing::TestWithParam<FdCase> {};

TEST_P(FramewiseDisplacement, SumsBackwardDifferencesWithArcsOnA50MmSphere) {
  const std::vector<RigidMotion> run = {motion(0, 0, 0, 0, 0, 0), motion(0.1, -0.2, 0, 0.001, 0, 0),
                                        motion(0.1, -0.2, 0, 0.001, 0, 0),
                                        motion(0.1, -0.2, 0.05, 0.001, 0, -0.002)};
  const std::vector<std::optional<double>> fd = framewiseDisplacement(run);
  ASSERT_EQ(fd.size(), 4u);
  EXPECT_FALSE(fd[0]);
  EXPECT_NEAR(*fd[1], 0.3 + 50 * 0.001, 1e-12);
  EXPECT_EQ(*fd[2], 0.0);
  EXPECT_NEAR(*fd[3], 0.05 + 50 * 0.002, 1e-12);

  const MotionSummary s = summariseMotion(run, GetParam().threshold);
  EXPECT_NEAR(*s.fdMean, 0.5 / 3, 1e-12);
  EXPECT_EQ(*s.fdNum, GetParam().fdNum);
  EXPECT_DOUBLE_EQ(*s.fdPerc, GetParam().fdPerc);
  EXPECT_DOUBLE_EQ(*s.maxTranslation, 0.2);
  EXPECT_DOUBLE_EQ(*s.maxRotation, 0.002);
  EXPECT_FALSE(summariseMotion({run[0]}, 0.2).fdMean);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, FramewiseDisplacement,
                         testing::Values(FdCase{0.2, 1, 25.0}, FdCase{0.1, 2, 50.0},
                                         FdCase{0.35 + 1e-9, 0, 0.0}));

TEST(RigidMotion, AnglesSurviveTheMatrixAndAMovementUndoesItself) {
  for (const RigidMotion& m : {motion(1, -2, 3, 0.05, -0.04, 0.03), motion(0, 0, 0, -0.5, 1.2, 2.5),
                               motion(-3, 0.5, 0, 0, 0, -0.02)}) {
    const RigidMotion back = toMotion(toMatrix(m));
    for (std::size_t a = 0; a < 3; ++a) {
      EXPECT_NEAR(back.translation[a], m.translation[a], 1e-12);
      EXPECT_NEAR(back.rotation[a], m.rotation[a], 1e-12);
    }
    const RigidMotion none = toMotion(composeWithInverse(toMatrix(m), toMatrix(m)));
    for (std::size_t a = 0; a < 3; ++a) {
      EXPECT_NEAR(none.translation[a], 0.0, 1e-12);
      EXPECT_NEAR(none.rotation[a], 0.0, 1e-12);
    }
  }
}

TEST(PlainTrigonometry, AgreesWithTheLibraryInEveryQuadrant) {
  for (double x : {0.0, 1e-9, -0.001, 0.3, -0.785, 0.79, 1.5707963, 2.0, -2.5, 3.1415926, 4.0, -5.5,
                   7.0, 100.0, -1234.5}) {
    EXPECT_NEAR(plainSin(x), std::sin(x), 4e-16 * std::max(1.0, std::fabs(x))) << x;
    EXPECT_NEAR(plainCos(x), std::cos(x), 4e-16 * std::max(1.0, std::fabs(x))) << x;
  }
  for (double y : {-3.0, -1.0, -0.2, 0.0, 1e-12, 0.5, 1.0, 7.0}) {
    for (double x : {-2.0, -0.3, 0.0, 0.4, 1.0, 5.0}) {
      EXPECT_NEAR(plainAtan2(y, x), std::atan2(y, x), 5e-16) << y << ", " << x;
    }
  }
  for (double x : {-1.0, -0.999999, -0.5, 0.0, 0.01, 0.7, 1.0}) {
    EXPECT_NEAR(plainAsin(x), std::asin(x), 1e-15) << x;
  }
}

TEST(GatherVolumes, MatchesThePlainLoopForEveryTypeAndRemainder) {
  const std::size_t voxels = 11, volumes = 9;
  std::vector<float> floats(voxels * volumes);
  std::vector<std::int16_t> words(voxels * volumes);
  for (std::size_t i = 0; i < floats.size(); ++i) {
    floats[i] = static_cast<float>(i) * 0.5f - 20.0f;
    words[i] = static_cast<std::int16_t>(static_cast<int>(i * 977 % 65536) - 32768);
  }
  floats[3 * volumes + 4] = std::nanf("");
  floats[8 * volumes + 2] = -INFINITY;
  for (const SampleView view : {SampleView{nullptr, floats.data(), voxels, volumes},
                                SampleView{words.data(), nullptr, voxels, volumes}}) {
    for (std::size_t first : {0u, 2u}) {
      for (std::size_t count : {1u, 4u, 7u}) {
        std::vector<float> out(count * voxels, -1.0f);
        gatherVolumes(view, first, count, out.data());
        for (std::size_t k = 0; k < count; ++k) {
          for (std::size_t v = 0; v < voxels; ++v) {
            const double expected = view.at(v, first + k);
            EXPECT_EQ(out[k * voxels + v], std::isfinite(expected) ? expected : 0.0)
                << v << ", " << first + k;
          }
        }
      }
    }
  }
}

struct UnavailableCase {
  const char* name;
  int nz, volumes;
  bool emptyMask, flat;
  const char* reason;  // empty: estimated
  bool inPlaneOnly;
};

class MotionUnavailable : public testing::TestWithParam<UnavailableCase> {};

TEST_P(MotionUnavailable, SaysWhyInsteadOfGivingNumbers) {
  const UnavailableCase& c = GetParam();
  const MotionGrid grid{{20, 20, c.nz}, {3, 3, 3}};
  const std::size_t voxels = grid.voxelCount();
  const std::size_t volumes = static_cast<std::size_t>(c.volumes);
  std::vector<float> samples(voxels * volumes);
  std::vector<std::uint8_t> mask(voxels, c.emptyMask ? 0 : 1);
  for (std::size_t v = 0; v < voxels; ++v) {
    const std::size_t i = v % 20, j = (v / 20) % 20, k = v / 400;
    const float value =
        c.flat ? 500.0f : static_cast<float>(100 + (i * i + 3 * j + 7 * k * k) % 17 * 40);
    for (std::size_t t = 0; t < volumes; ++t) samples[v * volumes + t] = value;
  }
  const SampleView view{nullptr, samples.data(), voxels, volumes};
  const RunMotion m = estimateRunMotion(view, grid, mask, {2, {}, {}});
  EXPECT_EQ(m.unavailable, c.reason);
  EXPECT_EQ(m.inPlaneOnly, c.inPlaneOnly);
  EXPECT_EQ(m.volumes.size(), m.unavailable.empty() ? volumes : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MotionUnavailable,
    testing::Values(
        UnavailableCase{"one_volume", 5, 1, false, false, "the run has fewer than 2 volumes",
                        false},
        UnavailableCase{"empty_mask", 5, 4, true, false, "the brain mask is empty", false},
        UnavailableCase{"flat_reference", 5, 4, false, true,
                        "the reference volume holds too little structure inside the brain mask",
                        false},
        UnavailableCase{"two_slices", 2, 4, false, false, "", true},
        UnavailableCase{"three_slices", 3, 4, false, false, "", false}),
    [](const testing::TestParamInfo<UnavailableCase>& info) {
      return std::string(info.param.name);
    });

struct QualityCase {
  const char* name;
  std::string unavailable;
  bool inPlaneOnly;
  const char* warningPart;     // empty: no warning
  bool hasFd;                  // FD and the run's numbers are given
  std::size_t presentColumns;  // of volume 1
};

class MotionQualityView : public testing::TestWithParam<QualityCase> {};

TEST_P(MotionQualityView, GivesOnlyTheNumbersTheEstimateSupports) {
  const QualityCase& c = GetParam();
  RunMotion m;
  m.unavailable = c.unavailable;
  m.inPlaneOnly = c.inPlaneOnly;
  if (c.unavailable.empty()) {
    m.volumes = {motion(0, 0, 0, 0, 0, 0), motion(0.3, 0, 0, 0, 0, 0.002),
                 motion(0.3, 0, 0, 0, 0, 0.002)};
  }
  const MotionNumbers q = motionQuality(m, 3, 0.2);
  ASSERT_EQ(q.volumes.size(), 3u);
  std::size_t present = 0;
  for (const auto& value : q.volumes[1]) present += value ? 1 : 0;
  EXPECT_EQ(present, c.presentColumns);
  EXPECT_FALSE(q.volumes[0][6]);
  EXPECT_EQ(q.fdMean.has_value(), c.hasFd);
  if (c.hasFd) {
    EXPECT_NEAR(*q.volumes[1][6], 0.4, 1e-12);
    EXPECT_EQ(*q.fdNum, 1);
  }
  const std::optional<std::string> warning = motionWarning("run.nii", q);
  EXPECT_EQ(warning.has_value(), *c.warningPart != '\0');
  if (warning) {
    EXPECT_EQ(warning->rfind("run.nii: ", 0), 0u);
    EXPECT_NE(warning->find(c.warningPart), std::string::npos) << *warning;
  }
  EXPECT_FALSE(motionFindings(q).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, MotionQualityView,
    testing::Values(QualityCase{"estimated", "", false, "", true, 7},
                    QualityCase{"in_plane", "", true, "only the movement within the slices", false,
                                3},
                    QualityCase{"unavailable", "the brain mask is empty", false,
                                "the brain mask is empty", false, 0}),
    [](const testing::TestParamInfo<QualityCase>& info) { return std::string(info.param.name); });

// The compact rows keep what optionals kept: a value that is not a number
// is still a value, a cleared column is empty, and rows added later are
// empty beside the ones set.
TEST(MotionRowsStorage, KeepsEveryColumnAsSet) {
  MotionRows rows;
  rows.resize(2);
  EXPECT_FALSE(rows.at(1, 6));
  struct Step {
    std::size_t row, column;
    std::optional<double> value;
  };
  for (const Step& s : {Step{0, 0, 0.5}, Step{0, 6, std::nan("")}, Step{1, 3, -2.0},
                        Step{1, 3, std::nullopt}, Step{1, 4, 0.0}}) {
    rows.set(s.row, s.column, s.value);
  }
  rows.resize(4);
  const std::vector<std::vector<int>> present = {{0, 6}, {4}, {}, {}};
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < kMotionColumnCount; ++c) {
      const bool expected = std::count(present[r].begin(), present[r].end(), int(c)) > 0;
      EXPECT_EQ(rows[r][c].has_value(), expected) << r << " " << c;
    }
  }
  EXPECT_EQ(*rows.at(0, 0), 0.5);
  EXPECT_TRUE(std::isnan(*rows.at(0, 6)));
  EXPECT_EQ(*rows.at(1, 4), 0.0);
}

}  // namespace
