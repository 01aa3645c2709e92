// The dialog's pieces run against a fake host table: no library loaded, no
// process-wide pointer swapped.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog/analysis_settings.h"
#include "dialog/settings_persistence.h"
#include "dialog/vtc_selection.h"
#include "tests/support/fake_host_functions.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using quorvel_test::FakeHost;

struct SelectionCase {
  const char* name;
  bool hasFileList;  // false: the host has no "FileList" parameter
  std::string fileList;
  std::vector<std::string> chosen;
  std::vector<std::string> log;
  int messageBoxes;
};

class ChooseVtcs : public ::testing::TestWithParam<SelectionCase> {};

// Without a linked VTC entry point, an empty list is the "no VTC" answer.
TEST_P(ChooseVtcs, TakesTheListOrExplainsThatAVtcIsNeeded) {
  const SelectionCase& c = GetParam();
  FakeHost host;
  if (c.hasFileList) host.stringParameters["FileList"] = c.fileList;
  const HostFunctions table = host.without(&HostFunctions::getHeaderOfVTCOfCurrentVMR);
  EXPECT_EQ(chooseVtcs(table), c.chosen);
  EXPECT_EQ(host.log(), c.log);
  ASSERT_EQ(static_cast<int>(host.messageBoxes().size()), c.messageBoxes);
  if (c.messageBoxes > 0) {
    EXPECT_EQ(host.messageBoxes()[0].rfind("This plugin requires a VTC", 0), 0u);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ChooseVtcs,
                         ::testing::Values(SelectionCase{"TwoEntries",
                                                         true,
                                                         "/d/run1.vtc\n/d/run2.vtc",
                                                         {"/d/run1.vtc", "/d/run2.vtc"},
                                                         {"Plugin>  2 files found in list:"},
                                                         0},
                                           SelectionCase{"EmptyList", true, "", {}, {}, 1},
                                           SelectionCase{"NoListParameter", false, "", {}, {}, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ReadAnalysisSettings, AHostWithoutTheNumberEntryPointGivesZeroThresholds) {
  FakeHost host;
  host.floatParameters = {{"Max_Deviation", 4.5}, {"Spike_Def", 2.5}};
  host.intParameters = {{"Create_TSNR_Map", 1}};
  const AnalysisSettings full = readAnalysisSettings(host.table());
  EXPECT_EQ(full.maxDeviation, 4.5f);
  EXPECT_EQ(full.spikeDef, 2.5f);
  EXPECT_TRUE(full.createTSNRMap);
  EXPECT_FALSE(full.createOutlierMap);

  const AnalysisSettings lacking =
      readAnalysisSettings(host.without(&HostFunctions::getFloatParameter));
  EXPECT_EQ(lacking.maxDeviation, 0.0f);
  EXPECT_EQ(lacking.spikeDef, 0.0f);
  EXPECT_TRUE(lacking.createTSNRMap);
}

TEST(SaveSettingsToGUIScript, RewritesTheScriptInThePluginsFolder) {
  quorvel_test::TempFolder folder("persistence");
  std::filesystem::copy_file(QUORVEL_SHIPPED_GUI_SCRIPT, folder.file("Quorvel1_0.js"));
  FakeHost host;
  host.pluginsPath = folder.path().string();
  saveSettingsToGUIScript(host.table(), AnalysisSettings{});
  const std::vector<std::string> expected = {
      "Saving the current settings",
      "9 lines were replaced in " + host.pluginsPath + "/Quorvel1_0.js"};
  EXPECT_EQ(host.log(), expected);
}

}  // namespace
}  // namespace quorvel
