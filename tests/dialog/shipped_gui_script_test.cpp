// The dialog script that ships beside the library holds each setting
// statement once, in the form the plug-in writes it back.
#include <gtest/gtest.h>

#include <filesystem>

#include "dialog/gui_script_rewrite.h"
#include "tests/dialog/temp_folder.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using dialog_test::readBytes;
using dialog_test::TempFolder;
using quorvel_test::textModeBytes;

AnalysisSettings shippedDefaults() {
  AnalysisSettings settings;
  settings.maxDeviation = 4;
  settings.spikeDef = 3;
  settings.deleteOtherVmps = false;
  settings.addVtcName = true;
  settings.createTSNRMap = true;
  settings.createLaggedAutocorMap = true;
  settings.createOutlierMap = true;
  settings.createTemporalOutlierLogtab = true;
  settings.createTemporalOutlierFile = true;
  return settings;
}

TEST(ShippedGUIScript, HoldsTheNineStatementsAsThePluginWritesThem) {
  TempFolder folder;
  const std::string copy = folder.file("Quorvel1_0.js");
  std::filesystem::copy_file(QUORVEL_SHIPPED_GUI_SCRIPT, copy);
  // The plug-in writes the script in text mode; the shipped copy has LF
  // line ends.
  const std::string original = textModeBytes(readBytes(copy));

  EXPECT_EQ(rewriteGUIScript(HostFunctions{}, copy, makeSettingLines(shippedDefaults())), 9);
  EXPECT_EQ(readBytes(copy), original);

  AnalysisSettings changed = shippedDefaults();
  changed.spikeDef = 8;
  changed.deleteOtherVmps = true;
  EXPECT_EQ(rewriteGUIScript(HostFunctions{}, copy, makeSettingLines(changed)), 9);
  const std::string rewritten = readBytes(copy);
  EXPECT_NE(rewritten.find(textModeBytes("\n    dlg.parameters.spike_def.value = 8;\n")),
            std::string::npos);
  EXPECT_NE(rewritten.find(textModeBytes("\n    dlg.options.delete_other_vmps.checked = 1;\n")),
            std::string::npos);
  EXPECT_EQ(rewritten.size(), original.size());
}

}  // namespace
}  // namespace quorvel
