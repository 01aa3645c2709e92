#include "dialog/setting_lines.h"

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(FormatThreshold, PrintsLikeADefaultStreamPrintsAFloat) {
  EXPECT_EQ(formatThreshold(4.0f), "4");
  EXPECT_EQ(formatThreshold(3.5f), "3.5");
  EXPECT_EQ(formatThreshold(static_cast<float>(0.15)), "0.15");
  EXPECT_EQ(formatThreshold(8.0f), "8");
  EXPECT_EQ(formatThreshold(-2.25f), "-2.25");
  EXPECT_EQ(formatThreshold(0.0001f), "0.0001");
  EXPECT_EQ(formatThreshold(0.00001f), "1e-05");
  EXPECT_EQ(formatThreshold(123456.0f), "123456");
  EXPECT_EQ(formatThreshold(1000000.0f), "1e+06");
  EXPECT_EQ(formatThreshold(1.0f / 3.0f), "0.333333");
}

TEST(MakeSettingLines, NineLinesInTheirFixedOrder) {
  AnalysisSettings settings;
  settings.maxDeviation = 4;
  settings.spikeDef = 3.5f;
  settings.deleteOtherVmps = false;
  settings.addVtcName = true;
  settings.createTSNRMap = true;
  settings.createLaggedAutocorMap = false;
  settings.createOutlierMap = true;
  settings.createTemporalOutlierLogtab = false;
  settings.createTemporalOutlierFile = true;

  const std::vector<SettingLine> lines = makeSettingLines(settings);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"dlg.options.delete_other_vmps.checked =", "    dlg.options.delete_other_vmps.checked = 0;"},
      {"dlg.options.add_vtc_name.checked =", "    dlg.options.add_vtc_name.checked = 1;"},
      {"dlg.maps.create_TSNR_map.checked =", "    dlg.maps.create_TSNR_map.checked = 1;"},
      {"dlg.maps.create_lagged_autocor_map.checked =",
       "    dlg.maps.create_lagged_autocor_map.checked = 0;"},
      {"dlg.maps.create_outlier_map.checked =", "    dlg.maps.create_outlier_map.checked = 1;"},
      {"dlg.parameters.max_deviation.value =", "    dlg.parameters.max_deviation.value = 4;"},
      {"dlg.parameters.spike_def.value =", "    dlg.parameters.spike_def.value = 3.5;"},
      {"dlg.temporal.create_temporal_outlier_logtab.checked =",
       "    dlg.temporal.create_temporal_outlier_logtab.checked = 0;"},
      {"dlg.temporal.create_temporal_outlier_file.checked =",
       "    dlg.temporal.create_temporal_outlier_file.checked = 1;"},
  };
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i].searchKey, expected[i].first) << i;
    EXPECT_EQ(lines[i].replacement, expected[i].second) << i;
  }
}

}  // namespace
}  // namespace quorvel
