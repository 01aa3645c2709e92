#include <filesystem>
#include <string>
#include <vector>

#include "tests/dialog/dialog_scenario.h"

namespace quorvel_test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

class Start : public DialogCommands {
 protected:
  // Links a small VTC to the VMR, so that a run with an empty list completes.
  void linkSmallVtc() {
    const std::string path = workFile("run1.vtc");
    std::vector<float> samples(std::size_t{2} * 2 * 1 * 6);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] = 100.0f + static_cast<float>(i % 6) * (i % 5 == 0 ? 9 : 1);
    host().addFloatVtc(path, noravia::Box::ofVoxels(2, 2, 1), 6, samples);
    host().linkVtc(path);
  }

  // The script's path as the plug-in builds it and logs it: the plug-ins
  // folder, "/", the file name (the same as script() where "/" is the
  // separator).
  std::string scriptAsLogged() const { return pluginsDir().string() + "/Quorvel1_0.js"; }

  // The lines of the log from the first that equals `line` on.
  Lines logFrom(const std::string& line) {
    auto found = std::find(log().begin(), log().end(), line);
    return Lines(found, log().end());
  }
};

TEST_F(Start, PrintsTheParameterTableBeforeTheRun) {
  setSettings(4, 8, 1);
  host().setIntParameter("Delete_Other_Vmps", 0);
  host().setIntParameter("Create_Lagged_Autocor_Map", 2);
  host().setIntParameter("Create_Temporal_Outlier_File", -1);
  EXPECT_FALSE(runCommand("Start"));  // no VTC: the run stops after the table
  const Lines expected = {"Plugin>  Command received: Start",
                          "===== The following parameters are used =====",
                          "| Delete Present VMPS: No                   |",
                          "| Add VTC Name to VMP Names: Yes            |",
                          "| Create TSNR Map: Yes                      |",
                          "| Create Lagged Autocorrelation Map: Yes    |",
                          "| Create Outlier Map: Yes                   |",
                          "| Maximum Deviation: 4.0                    |",
                          "| Spike Definition: 8.0                     |",
                          "| Write temporal outliers to Logtab: Yes    |",
                          "| Write temporal outliers to CSV file: Yes  |",
                          "============================================="};
  ASSERT_GE(log().size(), expected.size());
  EXPECT_EQ(Lines(log().begin(), log().begin() + expected.size()), expected);
  for (std::size_t i = 1; i < expected.size(); ++i)
    EXPECT_EQ(expected[i].size(), 45u) << expected[i];
}

TEST_F(Start, PrintsThresholdsFromTheirFloatValues) {
  setSettings(12.5, 0.15, 0);
  EXPECT_FALSE(runCommand("Start"));
  ASSERT_GE(log().size(), 12u);
  EXPECT_EQ(log()[2], "| Delete Present VMPS: No                   |");
  EXPECT_EQ(log()[7], "| Maximum Deviation: 12.5                    |");
  EXPECT_EQ(log()[7].size(), 46u);
  EXPECT_EQ(log()[8], "| Spike Definition: 0.2                     |");
  EXPECT_EQ(log()[11], "=============================================");
}

TEST_F(Start, ThresholdsBeyondTheFloatRangeBecomeInfinities) {
  setSettings(1e300, -1e300, 0);
  EXPECT_FALSE(runCommand("Start"));
  ASSERT_GE(log().size(), 9u);
  EXPECT_EQ(log()[7], "| Maximum Deviation: inf                    |");
  EXPECT_EQ(log()[8], "| Spike Definition: -inf                     |");
}

TEST_F(Start, InfiniteThresholdsLeaveTheScriptsValuesAsTheyWere) {
  writeFile(script(), kScript);
  linkSmallVtc();
  setSettings(1e300, 4, 1);
  EXPECT_TRUE(runCommand("Start"));
  const std::string saved = readFile(script());
  // "inf" is no value in the script: the statement keeps its 4.
  EXPECT_NE(saved.find(textModeBytes("    dlg.parameters.max_deviation.value = 4;\n")),
            std::string::npos);
  EXPECT_NE(saved.find("    dlg.parameters.spike_def.value = 4;"), std::string::npos);
  EXPECT_EQ(saved.find("inf"), std::string::npos);
  EXPECT_EQ(logFrom("Saving the current settings").at(1),
            "8 lines were replaced in " + scriptAsLogged());
}

TEST_F(Start, ACompletedRunSavesTheSettingsIntoTheScript) {
  writeFile(script(), kScript);
  linkSmallVtc();
  setSettings(4, 3.5, 0);
  host().setIntParameter("Create_TSNR_Map", 1);
  host().setIntParameter("Add_Vtc_Name", 7);
  EXPECT_TRUE(runCommand("Start"));

  const char saved[] =
      "function initSettings() {\n"
      "    dlg.options.delete_other_vmps.checked = 0;\n"
      "    dlg.options.add_vtc_name.checked = 1;\n"
      "    dlg.maps.create_TSNR_map.checked = 1;\n"
      "    dlg.maps.create_lagged_autocor_map.checked = 0;\n"
      "    dlg.maps.create_outlier_map.checked = 0;\n"
      "    dlg.parameters.max_deviation.value = 4;\n"
      "    dlg.parameters.spike_def.value = 3.5;\n"
      "    dlg.temporal.create_temporal_outlier_logtab.checked = 0;\n"
      "    dlg.temporal.create_temporal_outlier_file.checked = 0;\n"
      "}\n"
      "var d = dlg.parameters.max_deviation.value;";
  // The plug-in writes the script in text mode.
  EXPECT_EQ(readFile(script()), textModeBytes(saved));
  EXPECT_EQ(logFrom("Saving the current settings"),
            (Lines{"Saving the current settings", "9 lines were replaced in " + scriptAsLogged(),
                   "Plugin Successfully completed"}));
}

TEST_F(Start, TheShippedScriptKeepsItsTextWithItsOwnSettings) {
  const std::string shipped = readFile(script());
  linkSmallVtc();
  setSettings(4, 3, 1);
  host().setIntParameter("Delete_Other_Vmps", 0);
  EXPECT_TRUE(runCommand("Start"));
  EXPECT_EQ(readFile(script()), textModeBytes(shipped));
  EXPECT_EQ(logFrom("Saving the current settings"),
            (Lines{"Saving the current settings", "9 lines were replaced in " + scriptAsLogged(),
                   "Plugin Successfully completed"}));
}

TEST_F(Start, SavesThresholdsAsAStreamPrintsTheirFloats) {
  writeFile(script(), kScript);
  linkSmallVtc();
  setSettings(0.15, 8, 0);
  EXPECT_TRUE(runCommand("Start"));
  const std::string saved = readFile(script());
  EXPECT_NE(saved.find(textModeBytes("\n    dlg.parameters.max_deviation.value = 0.15;\n")),
            std::string::npos);
  EXPECT_NE(saved.find(textModeBytes("\n    dlg.parameters.spike_def.value = 8;\n")),
            std::string::npos);
}

TEST_F(Start, AFailedRunSavesNothing) {
  writeFile(script(), kScript);
  setSettings(5, 5, 0);
  EXPECT_FALSE(runCommand("Start"));
  EXPECT_EQ(readFile(script()), kScript);
  EXPECT_EQ(logFrom("Saving the current settings"), Lines{});
  EXPECT_EQ(logFrom("Plugin Successfully completed"), Lines{});
  EXPECT_EQ(host().callCount("nvGetPluginsPath"), 0u);
}

TEST_F(Start, AMissingScriptIsNotCreatedAndTheRunStillCompletes) {
  fs::remove(script());
  linkSmallVtc();
  setSettings(4, 3, 0);
  EXPECT_TRUE(runCommand("Start"));
  EXPECT_FALSE(fs::exists(script()));
  EXPECT_EQ(
      logFrom("Saving the current settings"),
      (Lines{"Saving the current settings", "File could not be opened for reading",
             "0 lines were replaced in " + scriptAsLogged(), "Plugin Successfully completed"}));
}

TEST_F(Start, AScriptThatCannotBeReplacedKeepsItsText) {
  writeFile(script(), kScript);
  // A folder with content where the new text would go blocks it.
  const std::string temporary = script() + ".saving." + std::to_string(processId());
  fs::create_directory(temporary);
  writeFile(temporary + "/keep", "");
  linkSmallVtc();
  setSettings(6, 2, 0);
  EXPECT_TRUE(runCommand("Start"));
  EXPECT_EQ(readFile(script()), kScript);
  EXPECT_EQ(
      logFrom("Saving the current settings"),
      (Lines{"Saving the current settings", "File could not be opened for writing",
             "0 lines were replaced in " + scriptAsLogged(), "Plugin Successfully completed"}));
}

TEST_F(Start, TheScriptPathAlwaysTakesASlashAfterThePluginsFolder) {
  host().setPluginsPath(pluginsDir().string() + "/");
  writeFile(script(), kScript);
  linkSmallVtc();
  setSettings(4, 3, 1);
  EXPECT_TRUE(runCommand("Start"));
  const std::string doubled = pluginsDir().string() + "//Quorvel1_0.js";
  EXPECT_EQ(logFrom("Saving the current settings"),
            (Lines{"Saving the current settings", "9 lines were replaced in " + doubled,
                   "Plugin Successfully completed"}));
}

TEST_F(Start, AListOfMoreThan256EntriesSaysWhatIsLeftOut) {
  std::string list;
  for (int i = 0; i < 300; ++i)
    list += std::string(i ? "\n" : "") + "/missing/run" + std::to_string(i) + ".vtc";
  host().setStringParameter("FileList", list);
  setSettings(4, 3, 0);
  EXPECT_TRUE(runCommand("Start"));
  EXPECT_EQ(fileList(), list);
  const Lines tail = logFrom("Plugin>  256 files found in list:");
  ASSERT_GE(tail.size(), 3u);
  EXPECT_EQ(tail[1],
            "Plugin>  44 entries past the first 256 of the file list are left "
            "out");
  EXPECT_EQ(tail[2], "Failed loading on this VMR: /missing/run0.vtc");
}

}  // namespace
}  // namespace quorvel_test
