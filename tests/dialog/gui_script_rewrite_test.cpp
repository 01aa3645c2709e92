#include "dialog/gui_script_rewrite.h"

#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <unistd.h>  // geteuid
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "tests/dialog/temp_folder.h"
#include "tests/support/fake_host_functions.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using dialog_test::readBytes;
using dialog_test::TempFolder;
using dialog_test::writeBytes;
using quorvel_test::textModeBytes;

AnalysisSettings savedSettings() {
  AnalysisSettings settings;
  settings.maxDeviation = 4;
  settings.spikeDef = static_cast<float>(0.15);
  settings.deleteOtherVmps = false;
  settings.addVtcName = false;
  settings.createTSNRMap = true;
  settings.createLaggedAutocorMap = true;
  settings.createOutlierMap = true;
  settings.createTemporalOutlierLogtab = false;
  settings.createTemporalOutlierFile = true;
  return settings;
}

class RewriteGUIScript : public ::testing::Test {
 protected:
  int rewrite(const std::string& original) {
    writeBytes(script_, original);
    return rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings()));
  }
  std::string script() const { return readBytes(script_); }
  bool temporaryLeft() const { return fs::exists(temporaryScriptPath(script_)); }

  quorvel_test::FakeHost host_;
  TempFolder folder_;
  std::string script_ = folder_.file("Quorvel1_0.js");
};

TEST_F(RewriteGUIScript, ReplacesStatementsWhateverTheirSpacing) {
  EXPECT_EQ(rewrite("function init() {\n"
                    "dlg.maps.create_TSNR_map.checked=0;\n"
                    "\tdlg . options.add_vtc_name . checked   =   true  ;\n"
                    "  dlg.parameters.spike_def.value = 3; // spikes\n"
                    "}\n"),
            3);
  EXPECT_EQ(script(), textModeBytes("function init() {\n"
                                    "    dlg.maps.create_TSNR_map.checked = 1;\n"
                                    "    dlg.options.add_vtc_name.checked = 0;\n"
                                    "    dlg.parameters.spike_def.value = 0.15;\n"
                                    "}\n"));
  EXPECT_FALSE(temporaryLeft());
}

TEST_F(RewriteGUIScript, AComparisonMatchesATabBeforeTheEqualsSignDoesNot) {
  EXPECT_EQ(rewrite("if (dlg.maps.create_outlier_map.checked == 1) {\n"
                    "dlg.maps.create_TSNR_map.checked\t= 0;\n"
                    "var threshold = dlg.parameters.max_deviation.value;"),
            1);
  EXPECT_EQ(script(), textModeBytes("    dlg.maps.create_outlier_map.checked = 1;\n"
                                    "dlg.maps.create_TSNR_map.checked\t= 0;\n"
                                    "var threshold = dlg.parameters.max_deviation.value;"));
}

TEST_F(RewriteGUIScript, ALineWithTwoKeysTakesTheFirstKeyOfTheTable) {
  EXPECT_EQ(rewrite("dlg.parameters.max_deviation.value = 9; "
                    "dlg.options.delete_other_vmps.checked = 1;\n"
                    "dlg.parameters.max_deviation.value = 9;\n"),
            2);
  EXPECT_EQ(script(), textModeBytes("    dlg.options.delete_other_vmps.checked = 0;\n"
                                    "    dlg.parameters.max_deviation.value = 4;\n"));
}

TEST_F(RewriteGUIScript, KeepsTheLastLineEndOrItsAbsence) {
  EXPECT_EQ(rewrite("a\ndlg.maps.create_TSNR_map.checked = 0;"), 1);
  EXPECT_EQ(script(), textModeBytes("a\n    dlg.maps.create_TSNR_map.checked = 1;"));

  EXPECT_EQ(rewrite("a\ndlg.maps.create_TSNR_map.checked = 0;\n"), 1);
  EXPECT_EQ(script(), textModeBytes("a\n    dlg.maps.create_TSNR_map.checked = 1;\n"));

  EXPECT_EQ(rewrite("a\n\n\n"), 0);
  EXPECT_EQ(script(), textModeBytes("a\n\n\n"));

  EXPECT_EQ(rewrite(""), 0);
  EXPECT_EQ(script(), "");
}

TEST_F(RewriteGUIScript, KeepsScriptsOfManyThousandLinesWhole) {
  std::string original, expected;
  for (int i = 0; i < 5000; ++i) {
    const std::string line = i == 4321 ? "dlg.temporal.create_temporal_outlier_logtab.checked = 1;"
                                       : "// line " + std::to_string(i);
    original += line + "\n";
    expected += (i == 4321 ? "    dlg.temporal.create_temporal_outlier_logtab"
                             ".checked = 0;"
                           : line) +
                "\n";
  }
  EXPECT_EQ(rewrite(original), 1);
  EXPECT_EQ(script(), textModeBytes(expected));
}

TEST_F(RewriteGUIScript, AScriptWithoutStatementsIsWrittenBackUnchanged) {
  const std::string original = "var dlg = {};\r\n\tshow(dlg);\n";
  EXPECT_EQ(rewrite(original), 0);
#if defined(_WIN32)
  // Text mode reads CR LF as a line end and writes every line end as CR LF.
  EXPECT_EQ(script(), "var dlg = {};\r\n\tshow(dlg);\r\n");
#else
  EXPECT_EQ(script(), original);
#endif
}

TEST_F(RewriteGUIScript, AMissingScriptIsNotCreated) {
  EXPECT_EQ(rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings())), 0);
  EXPECT_FALSE(fs::exists(script_));
  EXPECT_FALSE(temporaryLeft());
  EXPECT_EQ(host_.log(), (std::vector<std::string>{"File could not be opened for reading",
                                                   "0 lines were replaced in " + script_}));
}

TEST_F(RewriteGUIScript, AScriptThatCannotBeReadIsLeftAlone) {
  fs::create_directory(script_);  // opens, but cannot be read as a file
  EXPECT_EQ(rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings())), 0);
  EXPECT_TRUE(fs::is_directory(script_));
  EXPECT_FALSE(temporaryLeft());
}

TEST_F(RewriteGUIScript, ANewTextThatCannotBeWrittenLeavesTheOldScript) {
  const std::string original = "dlg.maps.create_TSNR_map.checked = 0;\n";
  // A folder with content cannot be removed or written over.
  fs::create_directory(temporaryScriptPath(script_));
  writeBytes(temporaryScriptPath(script_) + "/keep", "");
  EXPECT_EQ(rewrite(original), 0);
  EXPECT_EQ(script(), original);
  EXPECT_EQ(host_.log(), (std::vector<std::string>{"File could not be opened for writing",
                                                   "0 lines were replaced in " + script_}));
}

TEST_F(RewriteGUIScript, AnotherProcesssTemporaryFileIsLeftAlone) {
  // A host in another process saving into the same folder writes its own
  // temporary file; this rewrite neither uses nor removes it.
  const std::string others = script_ + ".saving.0";
  ASSERT_NE(others, temporaryScriptPath(script_));
  writeBytes(others, "another process's half-written text");
  EXPECT_EQ(rewrite("dlg.maps.create_TSNR_map.checked = 0;\n"), 1);
  EXPECT_EQ(script(), textModeBytes("    dlg.maps.create_TSNR_map.checked = 1;\n"));
  EXPECT_EQ(readBytes(others), "another process's half-written text");
}

// Permissions and symbolic links as POSIX systems have them.
#if !defined(_WIN32)
TEST_F(RewriteGUIScript, AReadOnlyFolderOrScriptLeavesTheOldScript) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
  const std::string original = "dlg.maps.create_TSNR_map.checked = 0;\n";
  writeBytes(script_, original);
  fs::permissions(folder_.path(), fs::perms::owner_write, fs::perm_options::remove);
  EXPECT_EQ(rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings())), 0);
  fs::permissions(folder_.path(), fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(script(), original);
  EXPECT_FALSE(temporaryLeft());

  fs::permissions(script_, fs::perms::owner_read);
  EXPECT_EQ(rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings())), 0);
  EXPECT_EQ(script(), original);
}

TEST_F(RewriteGUIScript, KeepsTheScriptsPermissionsAndLinks) {
  const std::string target = folder_.file("real.js");
  writeBytes(target, "dlg.maps.create_TSNR_map.checked = 0;\n");
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink(target, script_);

  EXPECT_EQ(rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings())), 1);
  EXPECT_TRUE(fs::is_symlink(script_));
  EXPECT_EQ(readBytes(target), "    dlg.maps.create_TSNR_map.checked = 1;\n");
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(RewriteGUIScript, ALinkPlantedAsTheTemporaryFileIsNotFollowed) {
  const std::string other = folder_.file("other.txt");
  writeBytes(other, "someone else's file\n");
  fs::create_symlink(other, temporaryScriptPath(script_));
  writeBytes(script_, "dlg.maps.create_TSNR_map.checked = 0;\n");

  EXPECT_EQ(rewriteGUIScript(host_.table(), script_, makeSettingLines(savedSettings())), 1);
  EXPECT_EQ(readBytes(other), "someone else's file\n");
  EXPECT_FALSE(fs::is_symlink(script_));
  EXPECT_EQ(script(), "    dlg.maps.create_TSNR_map.checked = 1;\n");
  EXPECT_FALSE(temporaryLeft());
}

#endif  // !defined(_WIN32)

}  // namespace
}  // namespace quorvel
