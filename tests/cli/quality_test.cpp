// The run's quality numbers against values worked out by hand for tiny
// runs, and the files that carry them.
#include <gtest/gtest.h>
#include <nifti2_io.h>

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "cli/quality/iqm_files.h"
#include "cli/quality/repetition_time.h"
#include "cli/quality/run_quality.h"
#include "cli/quality/sample_statistics.h"
#include "cli_test_support.h"

namespace quorvel::cli {
namespace {

// Four voxels of four volumes, time fastest: two analysed, one clearly
// background, one with a mean of exactly 100 (background too).
const std::vector<std::int16_t> kSmallRun = {
    110, 130, 120, 140,  // mean 125, deviations -15 5 -5 15
    200, 200, 220, 180,  // mean 200, deviations 0 0 20 -20
    50,  60,  40,  50,   //
    100, 100, 100, 100};

SampleView smallRunView() {
  SampleView view;
  view.int16Samples = kSmallRun.data();
  view.voxels = 4;
  view.volumes = 4;
  return view;
}

TEST(SampleStatisticsTest, HandComputedRunOfTwoAnalysedVoxels) {
  const SampleStatistics s = computeSampleStatistics(smallRunView());
  EXPECT_EQ(s.voxelsAnalysed, 2u);
  // TSNR 125 / sqrt(500/3) and 200 / sqrt(800/3): n-1 standard deviations.
  EXPECT_NEAR(*s.tsnrMean, 10.964953539717216, 1e-12);
  EXPECT_NEAR(*s.tsnrMedian, 10.964953539717216, 1e-12);
  // r1 + r2: -0.35 + 0.45 and -0.5 + 0; the median of two is their mean.
  EXPECT_NEAR(*s.ac12Median, -0.2, 1e-12);
  // sqrt((20^2 + 0^2) / 2), sqrt((10^2 + 20^2) / 2), sqrt((20^2 + 40^2) / 2).
  ASSERT_EQ(s.dvars.size(), 4u);
  EXPECT_FALSE(s.dvars[0]);
  EXPECT_NEAR(*s.dvars[1], 14.142135623730951, 1e-12);
  EXPECT_NEAR(*s.dvars[2], 15.811388300841896, 1e-12);
  EXPECT_NEAR(*s.dvars[3], 31.622776601683793, 1e-12);
  // Expected DVARS: mean of 20/1.349 * sqrt(2 * 1.35) and 20/1.349 * sqrt(2 * 1.5).
  EXPECT_NEAR(*s.expectedDvars, 25.02015181678559, 1e-11);
  EXPECT_FALSE(s.stdDvars[0]);
  EXPECT_NEAR(*s.stdDvars[1], 0.5652298086474133, 1e-12);
  EXPECT_NEAR(*s.stdDvars[3], 1.2638922750448147, 1e-12);
  const std::vector<double> global = {155, 165, 170, 160};
  for (std::size_t v = 0; v < 4; ++v) EXPECT_DOUBLE_EQ(*s.globalSignal[v], global[v]) << v;
}

TEST(SampleStatisticsTest, OddRunsLeaveTheLastVolumeOutOfTheLagPairs) {
  // Mean 200, sd^2 = 113000 / 4; lag 1 sums pairs 0-1, 1-2, 2-3 (16700),
  // lag 2 pairs 0-2, 1-3 (11400): the jump in volume 5 is in no pair.
  const std::vector<float> course = {110, 130, 120, 140, 500};
  SampleView view;
  view.floatSamples = course.data();
  view.voxels = 1;
  view.volumes = 5;
  const SampleStatistics s = computeSampleStatistics(view);
  EXPECT_NEAR(*s.ac12Median, 16700.0 / (3 * 28250.0) + 11400.0 / (2 * 28250.0), 1e-12);

  // Three volumes have no lag-2 pair; a run without analysed voxels has
  // no numbers at all.
  view.volumes = 3;
  view.voxels = 1;
  EXPECT_FALSE(computeSampleStatistics(view).ac12Median);
  const std::vector<float> dark = {10, 20, 30, 40};
  view.floatSamples = dark.data();
  view.volumes = 4;
  const SampleStatistics none = computeSampleStatistics(view);
  EXPECT_EQ(none.voxelsAnalysed, 0u);
  EXPECT_FALSE(none.tsnrMean || none.dvars[1] || none.globalSignal[0]);
}

// A series reads back what was set: missing values, and values that are
// not numbers or are signed zeros, each as given, in a whole series and in
// a slice of one.
TEST(OptionalSeriesTest, ReadsBackEveryValueAsSet) {
  const double nan = std::nan(""), floatNan = static_cast<double>(std::nanf(""));
  const std::vector<std::optional<double>> values = {std::nullopt, 1.5,  nan,          -0.0,
                                                     floatNan,     -nan, std::nullopt, 1e308};
  OptionalSeries set, pushed;
  set.assign(values.size(), std::nullopt);
  for (std::size_t v = 0; v < values.size(); ++v) {
    set.set(v, values[v]);
    pushed.push_back(values[v]);
  }
  for (std::size_t first : {0, 3}) {
    const OptionalSeries slice(set.begin() + static_cast<long>(first), set.end());
    ASSERT_EQ(slice.size(), values.size() - first);
    for (std::size_t v = first; v < values.size(); ++v) {
      const std::optional<double> got = slice[v - first];
      ASSERT_EQ(got.has_value(), values[v].has_value()) << v;
      if (!got) continue;
      EXPECT_EQ(std::signbit(*got), std::signbit(*values[v])) << v;
      EXPECT_EQ(std::isnan(*got), std::isnan(*values[v])) << v;
      EXPECT_TRUE(std::isnan(*got) || *got == *values[v]) << v;
    }
  }
  EXPECT_EQ(meanOfPresent(OptionalSeries{std::nullopt, 1.0, 4.0}), 2.5);
  EXPECT_FALSE(maxOfPresent(OptionalSeries{std::nullopt, std::nullopt}));
}

TEST(RunQualityTest, CountsBecomeSharesOfVolumesAndOfAnalysedVoxels) {
  VolumeCounts counts;
  counts.outliers = {0, 2, 0, 1};
  counts.spikes = {0, 1, 0, 0};
  const RunQuality q = combineQuality(computeSampleStatistics(smallRunView()), counts, 2.5);
  EXPECT_EQ(*q.outlierVolumes, 2);
  EXPECT_EQ(*q.spikeVolumes, 1);
  EXPECT_DOUBLE_EQ(*q.outlierVolumesFraction, 0.5);
  EXPECT_DOUBLE_EQ(*q.spikeVolumesFraction, 0.25);
  EXPECT_DOUBLE_EQ(*q.outlierFraction[1], 1.0);  // 2 of 2 analysed voxels
  EXPECT_DOUBLE_EQ(*q.outlierFractionMean, 0.375);
  EXPECT_DOUBLE_EQ(*q.outlierFractionMax, 1.0);
  EXPECT_NEAR(*q.dvarsMean, 20.525433508752215, 1e-12);
  EXPECT_NEAR(*q.stdDvarsMean, 0.8203560737382118, 1e-12);
  EXPECT_DOUBLE_EQ(*q.globalSignalMean, 162.5);

  const std::string tsv = qualityTimeseriesTsv(q);
  EXPECT_EQ(tsv.substr(0, tsv.find('\n', tsv.find('\n') + 1) + 1),
            "outlier_count\tspike_count\toutlier_fraction\tdvars\tstd_dvars\tglobal_signal\n"
            "0\t0\t0\tn/a\tn/a\t155\n");

  AnalysisParameters parameters;
  parameters.dialog.maxDeviation = 3.3;
  parameters.scale = 0.5;
  const nlohmann::ordered_json iqms =
      nlohmann::ordered_json::parse(iqmJson("in/run.nii", q, parameters, {"a warning"}));
  std::vector<std::string> keys;
  for (const auto& item : iqms.items()) keys.push_back(item.key());
  EXPECT_EQ(keys, (std::vector<std::string>{"Run",
                                            "Volumes",
                                            "RepetitionTime",
                                            "Parameters",
                                            "Warnings",
                                            "voxels_analysed",
                                            "voxels_analysed_fraction",
                                            "tsnr_mean",
                                            "tsnr_median",
                                            "ac12_median",
                                            "outlier_volumes",
                                            "outlier_volumes_fraction",
                                            "spike_volumes",
                                            "spike_volumes_fraction",
                                            "outlier_fraction_mean",
                                            "outlier_fraction_max",
                                            "dvars_mean",
                                            "dvars_max",
                                            "std_dvars_mean",
                                            "std_dvars_max",
                                            "global_signal_mean"}));
  EXPECT_EQ(iqms["Run"], "in/run.nii");
  EXPECT_EQ(iqms["Volumes"], 4);
  EXPECT_EQ(iqms["RepetitionTime"], 2.5);
  EXPECT_EQ(iqms["Parameters"]["MaxDeviation"], 3.3);
  EXPECT_EQ(iqms["Parameters"]["Scale"], 0.5);
  EXPECT_EQ(iqms["Warnings"].dump(), "[\"a warning\"]");
  EXPECT_EQ(iqms["voxels_analysed_fraction"], 0.5);
  EXPECT_EQ(iqms["outlier_volumes"], 2);

  // Without the plug-in's counts, what depends on them is undefined.
  const RunQuality uncounted =
      combineQuality(computeSampleStatistics(smallRunView()), std::nullopt, std::nullopt);
  const nlohmann::json bare = nlohmann::json::parse(iqmJson("r.nii", uncounted, parameters, {}));
  for (const char* key :
       {"RepetitionTime", "outlier_volumes", "spike_volumes_fraction", "outlier_fraction_max"}) {
    EXPECT_TRUE(bare[key].is_null()) << key;
  }
  const std::string uncountedTsv = qualityTimeseriesTsv(uncounted);
  const std::string::size_type second = uncountedTsv.find('\n', uncountedTsv.find('\n') + 1) + 1;
  EXPECT_EQ(uncountedTsv.substr(second, uncountedTsv.find('\n', second) - second),
            "n/a\tn/a\tn/a\t14.142135623730951\t0.5652298086474133\t165");
}

struct RepetitionTimeCase {
  const char* name;
  double spacing;
  int units;
  const char* sidecar;  // nullptr: none
  std::optional<double> expected;
  const char* warningPart;  // "" for none
};

class RepetitionTimeTest : public ::testing::TestWithParam<RepetitionTimeCase> {};

TEST_P(RepetitionTimeTest, ComesFromTheSidecarElseTheHeaderInItsUnit) {
  const RepetitionTimeCase& c = GetParam();
  cli_test::TempFolder folder;
  const std::string run = folder.file("sub-01_task-rest_bold.nii.gz");
  if (c.sidecar != nullptr)
    cli_test::writeFile(folder.file("sub-01_task-rest_bold.json"), c.sidecar);
  std::vector<std::string> warnings;
  EXPECT_EQ(repetitionTimeOf(run, c.spacing, c.units, warnings), c.expected);
  if (c.warningPart[0] == '\0') {
    EXPECT_TRUE(warnings.empty()) << warnings.front();
  } else {
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find(c.warningPart), std::string::npos) << warnings[0];
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sources, RepetitionTimeTest,
    ::testing::Values(RepetitionTimeCase{"Seconds", 2.5, NIFTI_UNITS_SEC, nullptr, 2.5, ""},
                      RepetitionTimeCase{"Milliseconds", 2000, NIFTI_UNITS_MSEC, nullptr, 2.0, ""},
                      RepetitionTimeCase{"Microseconds", 1.5e6, NIFTI_UNITS_USEC, nullptr, 1.5, ""},
                      RepetitionTimeCase{"NoUnit", 2.0, NIFTI_UNITS_UNKNOWN, nullptr, std::nullopt,
                                         "without a time unit"},
                      RepetitionTimeCase{"NoSpacing", 0.0, NIFTI_UNITS_SEC, nullptr, std::nullopt,
                                         ""},
                      RepetitionTimeCase{"SidecarWins", 1.0, NIFTI_UNITS_SEC,
                                         "{\"RepetitionTime\": 3}", 3.0, "the sidecar's is used"},
                      RepetitionTimeCase{"SidecarGivesAMissingUnit", 2.0, NIFTI_UNITS_UNKNOWN,
                                         "{\"RepetitionTime\": 2}", 2.0, ""},
                      RepetitionTimeCase{"SidecarWithoutIt", 2.5, NIFTI_UNITS_SEC,
                                         "{\"TaskName\": \"rest\"}", 2.5, ""},
                      RepetitionTimeCase{"SidecarNotJson", 2.5, NIFTI_UNITS_SEC,
                                         "RepetitionTime: 3", 2.5, "not a JSON object"},
                      RepetitionTimeCase{"SidecarNegative", 2.5, NIFTI_UNITS_SEC,
                                         "{\"RepetitionTime\": -2}", 2.5, "not a positive number"}),
    [](const ::testing::TestParamInfo<RepetitionTimeCase>& info) { return info.param.name; });

}  // namespace
}  // namespace quorvel::cli
