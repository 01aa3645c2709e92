// Text files on Windows: the plug-in reads and writes the dialog script, the
// MDM files and the CSV files in text mode, where a line end is CR LF.
//
// Only the Windows runner compiles this file.
#include <filesystem>
#include <string>
#include <vector>

#include "tests/dialog/dialog_scenario.h"
#include "tests/support/test_files.h"

namespace quorvel_test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// kScript after a run with `maxDeviation` 0.15, `spikeDef` 8 and every
// flag 0.
const char kSavedScript[] =
    "function initSettings() {\n"
    "    dlg.options.delete_other_vmps.checked = 0;\n"
    "    dlg.options.add_vtc_name.checked = 0;\n"
    "    dlg.maps.create_TSNR_map.checked = 0;\n"
    "    dlg.maps.create_lagged_autocor_map.checked = 0;\n"
    "    dlg.maps.create_outlier_map.checked = 0;\n"
    "    dlg.parameters.max_deviation.value = 0.15;\n"
    "    dlg.parameters.spike_def.value = 8;\n"
    "    dlg.temporal.create_temporal_outlier_logtab.checked = 0;\n"
    "    dlg.temporal.create_temporal_outlier_file.checked = 0;\n"
    "}\n"
    "var d = dlg.parameters.max_deviation.value;";

class WindowsTextFiles : public DialogCommands {
 protected:
  // Links a small float VTC in the work folder, so that a "Start" with an
  // empty list completes.
  void linkSmallVtc() {
    const std::string path = workFile("run1.vtc");
    std::vector<float> samples(2 * 2 * 1 * 6);
    for (std::size_t i = 0; i < samples.size(); ++i)
      samples[i] = 500.0f + static_cast<float>((i * 7) % 6);
    host().addFloatVtc(path, noravia::Box::ofVoxels(2, 2, 1), 6, samples);
    host().linkVtc(path);
  }

  // A completed "Start" that saves `maxDeviation` 0.15, `spikeDef` 8 and
  // every flag 0.
  void startAndSave() {
    linkSmallVtc();
    setSettings(0.15, 8, 0);
    ASSERT_TRUE(runCommand("Start")) << logText();
  }

  // The path as the plug-in builds it: the plug-ins folder, "/", the name.
  std::string scriptAsLogged() const { return pluginsDir().string() + "/Quorvel1_0.js"; }
};

TEST_F(WindowsTextFiles, ACrLfScriptKeepsItsLineEnds) {
  writeFile(script(), textModeBytes(std::string(kScript) + "\n"));
  startAndSave();
  EXPECT_EQ(readFile(script()), textModeBytes(std::string(kSavedScript) + "\n"));
  EXPECT_EQ(log().back(), "Plugin Successfully completed");
  EXPECT_EQ(log()[log().size() - 2], "9 lines were replaced in " + scriptAsLogged());
}

TEST_F(WindowsTextFiles, ACrLfScriptWithoutAFinalLineEndGetsNone) {
  writeFile(script(), textModeBytes(kScript));
  startAndSave();
  EXPECT_EQ(readFile(script()), textModeBytes(kSavedScript));
}

TEST_F(WindowsTextFiles, AnLfScriptIsWrittenBackWithCrLf) {
  writeFile(script(), kScript);
  startAndSave();
  EXPECT_EQ(readFile(script()), textModeBytes(kSavedScript));
}

TEST_F(WindowsTextFiles, TheShippedScriptKeepsItsTextWithItsOwnSettings) {
  const std::string shipped = readFile(script());
  ASSERT_NE(shipped.find("dlg.parameters.spike_def.value = 3;"), std::string::npos);
  linkSmallVtc();
  setSettings(4, 3, 1);
  host().setIntParameter("Delete_Other_Vmps", 0);
  ASSERT_TRUE(runCommand("Start")) << logText();
  // The repository's copy has LF line ends; the plug-in writes CR LF.
  EXPECT_EQ(readFile(script()), textModeBytes(shipped));
}

TEST_F(WindowsTextFiles, AMissingScriptIsNotCreated) {
  fs::remove(script());
  startAndSave();
  EXPECT_FALSE(fs::exists(script()));
  const Lines tail(log().end() - 4, log().end());
  EXPECT_EQ(tail, (Lines{"Saving the current settings", "File could not be opened for reading",
                         "0 lines were replaced in " + scriptAsLogged(),
                         "Plugin Successfully completed"}));
}

TEST_F(WindowsTextFiles, AnMdmWithCrLfLineEndsGivesCleanPaths) {
  const fs::path mdm =
      makeFile("study.mdm", textModeBytes("FileVersion: 3\n"
                                          "\"C:/data/s1/run1.vtc\" \"C:/data/s1/run1.sdm\"\n"
                                          "\"C:/data/s2/run1.vtc\" \"C:/data/s2/run1.sdm\"\n"));
  host().queueChosenFile(mdm.string());
  EXPECT_TRUE(runCommand("AddMDM"));
  EXPECT_EQ(fileList(), "C:/data/s1/run1.vtc\nC:/data/s2/run1.vtc");
}

TEST_F(WindowsTextFiles, TheCsvFileHasCrLfLineEnds) {
  linkSmallVtc();
  setSettings(2.5, 1.5, 0);
  host().setIntParameter("Create_Temporal_Outlier_File", 1);
  ASSERT_TRUE(runCommand("Start")) << logText();
  EXPECT_EQ(readFile(workFile("run1.csv")),
            textModeBytes("Volume, Outliers (stddev>2.5), Spikes (stddev:1.5)\n"
                          "1,0,0\n2,0,0\n3,0,0\n4,0,0\n5,0,0\n6,0,0\n"));
}

}  // namespace
}  // namespace quorvel_test
