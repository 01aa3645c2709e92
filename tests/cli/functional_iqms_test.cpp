// The IQMs of generated runs with a known head: the brain mask against the
// head at any intensity scale, the numbers that carry no unit unchanged by
// the scale, non-steady-state volumes and spikes found where they were
// put, pure noise giving the outlier rate its threshold promises, and the
// same bits for any number of threads.
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cli/quality/functional_iqms.h"
#include "cli/quality/normal_quantile.h"
#include "cli/quality/run_verdict.h"
#include "generated_head_run.h"

namespace quorvel::cli {
namespace {

using Named = std::vector<std::pair<std::string, std::optional<double>>>;

// The IQMs that do not change when a run is multiplied by a constant.
Named scaleFreeNumbers(const FunctionalIqms& q) {
  const TemporalIqms& t = q.temporal;
  return {{"dummy", static_cast<double>(q.dummy)},
          {"tsnr", t.tsnr},
          {"dvars_std", t.dvarsStd},
          {"dvars_nstd", t.dvarsNstd},
          {"dvars_vstd", t.dvarsVstd},
          {"gcor", t.gcor},
          {"aor", t.aor},
          {"aqi", q.quality.mean},
          {"efc", q.image.efc},
          {"fber", q.image.fber},
          {"snr", q.image.snr},
          {"gsr_x", q.image.gsrX},
          {"gsr_y", q.image.gsrY},
          {"fwhm_x", q.smoothness.x},
          {"fwhm_y", q.smoothness.y},
          {"fwhm_z", q.smoothness.z},
          {"summary_fg_k", q.image.foreground.k},
          {"summary_bg_n", static_cast<double>(q.image.background.n)}};
}

// Every number, per-volume series included.
Named everyNumber(const FunctionalIqms& q) {
  Named all = scaleFreeNumbers(q);
  all.emplace_back("intensity_median", q.temporal.intensityMedian);
  all.emplace_back("summary_fg_mean", q.image.foreground.mean);
  all.emplace_back("summary_bg_p95", q.image.background.p95);
  const auto addSeries = [&all](const std::string& name, const OptionalSeries& series) {
    for (std::size_t v = 0; v < series.size(); ++v) all.emplace_back(name, series[v]);
  };
  addSeries("aor", q.temporal.aorSeries);
  addSeries("aqi", q.quality.series);
  addSeries("dvars_std", q.temporal.dvarsStdSeries);
  addSeries("dvars_vstd", q.temporal.dvarsVstdSeries);
  return all;
}

class ScaleTest : public ::testing::TestWithParam<double> {};

TEST_P(ScaleTest, MaskFitsTheHeadAndScaleFreeNumbersStay) {
  const HeadRun unit = makeHeadRun({});
  HeadRunRecipe scaled;
  scaled.scale = GetParam();
  const HeadRun run = makeHeadRun(scaled);
  const FunctionalIqms reference = computeFunctionalIqms(unit.view(), unit.grid, 2);
  const FunctionalIqms iqms = computeFunctionalIqms(run.view(), run.grid, 2);

  EXPECT_GE(diceOverlap(iqms.mask, run.head), 0.9);
  EXPECT_EQ(iqms.mask, reference.mask);
  // Scaled samples are rounded to floats again, which may move a sample
  // across an outlier threshold: allow the outlier fraction three samples.
  const double oneSample = 1.0 / (static_cast<double>(iqms.maskVoxels) * 120.0);
  const Named expected = scaleFreeNumbers(reference), found = scaleFreeNumbers(iqms);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    ASSERT_TRUE(expected[i].second && found[i].second) << expected[i].first;
    const double tolerance =
        expected[i].first == "aor" ? 3 * oneSample : 1e-6 * std::fabs(*expected[i].second);
    EXPECT_NEAR(*found[i].second, *expected[i].second, tolerance) << expected[i].first;
  }
  // Numbers in the run's unit follow the scale.
  EXPECT_NEAR(*iqms.image.foreground.median / *reference.image.foreground.median, GetParam(),
              1e-6 * GetParam());
}

INSTANTIATE_TEST_SUITE_P(Scales, ScaleTest, ::testing::Values(0.01, 1.0, 1000.0));

struct EventCase {
  const char* name;
  HeadRunRecipe recipe;
  std::size_t dummy;
  std::set<std::size_t> spikes;
};

class EventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(EventTest, DummiesAndSpikesAreFoundWhereTheyWerePut) {
  const EventCase& c = GetParam();
  const HeadRun run = makeHeadRun(c.recipe);
  const FunctionalIqms iqms = computeFunctionalIqms(run.view(), run.grid, 1);
  EXPECT_EQ(iqms.dummy, c.dummy);
  std::set<std::size_t> spikes;
  for (std::size_t v = iqms.dummy; v < c.recipe.volumes; ++v) {
    if (*iqms.temporal.aorSeries[v] > 0.5) spikes.insert(v);
  }
  EXPECT_EQ(spikes, c.spikes);
  // The verdict marks those volumes alone, and a run without spikes
  // needs no look.
  const RunVerdict verdict = runVerdict(iqms);
  EXPECT_EQ(std::set<std::size_t>(verdict.aorVolumes.begin(), verdict.aorVolumes.end()), c.spikes);
  EXPECT_EQ(verdict.check, !c.spikes.empty()) << verdict.summary;

  // Without events the outlier fraction is near the rate its threshold
  // gives normal noise, beyond alpha sqrt(pi/2) MADs with MAD = 0.6745 sd;
  // a MAD estimated from 150 samples varies by about 9%, which about
  // doubles the rate of so far a tail.
  if (c.spikes.empty() && c.dummy == 0) {
    const double beyond = outlierThreshold(c.recipe.volumes) * 0.6744897501960817;
    const double nominal = 2.0 * upperNormalTail(beyond);
    EXPECT_GT(*iqms.temporal.aor, nominal);
    EXPECT_LT(*iqms.temporal.aor, 3.0 * nominal);
    EXPECT_NEAR(*iqms.temporal.dvarsStd, 1.0, 0.05);
    EXPECT_NEAR(*iqms.temporal.gcor, 0.0, 0.01);
  }

  // The same bits for any number of threads.
  const Named one = everyNumber(iqms),
              three = everyNumber(computeFunctionalIqms(run.view(), run.grid, 3));
  ASSERT_EQ(one.size(), three.size());
  for (std::size_t i = 0; i < one.size(); ++i) {
    EXPECT_EQ(one[i].second.has_value(), three[i].second.has_value()) << one[i].first;
    if (one[i].second && three[i].second) {
      EXPECT_EQ(*one[i].second, *three[i].second) << one[i].first;
    }
  }
}

HeadRunRecipe recipe(std::size_t volumes, std::size_t dummies, std::vector<std::size_t> spikes) {
  HeadRunRecipe r;
  r.volumes = volumes;
  r.dummies = dummies;
  r.spikeVolumes = std::move(spikes);
  return r;
}

INSTANTIATE_TEST_SUITE_P(
    Runs, EventTest,
    ::testing::Values(EventCase{"noise", recipe(150, 0, {}), 0, {}},
                      EventCase{"dummies", recipe(100, 3, {}), 3, {}},
                      EventCase{"spikes", recipe(120, 0, {25, 70, 111}), 0, {25, 70, 111}},
                      EventCase{"both", recipe(90, 2, {5, 60}), 2, {5, 60}}),
    [](const auto& info) { return std::string(info.param.name); });

// Head motion marks a run past either stringent exclusion limit, and only
// then; a run whose motion is missing is not marked for it.
TEST(MotionVerdict, MarksTheRunPastEitherLimitOnly) {
  const HeadRun run = makeHeadRun(recipe(60, 0, {}));
  const FunctionalIqms iqms = computeFunctionalIqms(run.view(), run.grid, 1);
  ASSERT_FALSE(runVerdict(iqms).check) << runVerdict(iqms).summary;
  struct Case {
    std::optional<double> fdMean, fdPerc;
    const char* summary;
  };
  for (const Case& c :
       {Case{0.25, 20.0, "no finding"}, Case{0.26, 0.0, "check this run: mean FD 0.26 mm"},
        Case{0.1, 20.5, "check this run: 20.5 % of volumes above FD 0.2 mm"},
        Case{std::nullopt, std::nullopt, "no finding"}}) {
    MotionNumbers motion;
    motion.fdMean = c.fdMean;
    motion.fdPerc = c.fdPerc;
    EXPECT_EQ(runVerdict(iqms, &motion).summary, c.summary);
  }
}

}  // namespace
}  // namespace quorvel::cli
