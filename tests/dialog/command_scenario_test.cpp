#include <algorithm>
#include <string>
#include <vector>

#include "tests/dialog/dialog_scenario.h"

namespace quorvel_test {
namespace {

using Lines = std::vector<std::string>;

class Commands : public DialogCommands {};

TEST_F(Commands, UnknownNamesAreQuotedInTheLogAndIgnored) {
  for (const std::string name : {"addfile", "AddFile ", "Starter", "", "Go"}) {
    host().clearLog();
    EXPECT_TRUE(runCommand(name));
    EXPECT_EQ(log(), (Lines{"Plugin>  Command received: " + name,
                            "Plugin>  Received unknown command: \"" + name + "\"."}));
  }
  EXPECT_TRUE(host().logPaneShown());
  EXPECT_EQ(host().callCount("nvSetStringParameter"), 0u);
  EXPECT_EQ(host().callCount("nvGetOpenFileName"), 0u);
}

TEST_F(Commands, EveryCommandFirstShowsTheLogPaneAndLogsItsName) {
  host().setStringParameter("Command", "AddFile");
  plugin().execute();
  const std::vector<std::string> calls = host().journalNames();
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls[0], "nvGetStringParameter");
  EXPECT_EQ(calls[1], "nvShowLogPane");
  EXPECT_EQ(calls[2], "nvLogText");
  EXPECT_EQ(log().front(), "Plugin>  Command received: AddFile");
}

TEST_F(Commands, LongTextsAreCutNeverOverflowingABuffer) {
  // The host cuts a command name to the 104-byte command buffer.
  const std::string name(3000, 'c');
  EXPECT_TRUE(runCommand(name));
  ASSERT_EQ(log().size(), 2u);
  EXPECT_EQ(log()[0], "Plugin>  Command received: " + name.substr(0, 103));

  // A log line longer than the 512-byte message buffer is cut to 511
  // characters.
  const std::string path = "/" + std::string(3000, 'p') + ".vtc";
  host().setStringParameter("FileList", path);
  EXPECT_TRUE(runCommand("Start"));
  const Lines& lines = log();
  EXPECT_NE(
      std::find(lines.begin(), lines.end(), ("Failed loading on this VMR: " + path).substr(0, 511)),
      lines.end());
}

TEST_F(Commands, AddFileAppendsTheChosenPath) {
  host().queueChosenFile("/data/sub-01/run1.vtc");
  EXPECT_TRUE(runCommand("AddFile"));
  EXPECT_EQ(fileList(), "/data/sub-01/run1.vtc");

  host().queueChosenFile("/data/sub-02/run1.vtc");
  EXPECT_TRUE(runCommand("AddFile"));
  EXPECT_EQ(fileList(), "/data/sub-01/run1.vtc\n/data/sub-02/run1.vtc");

  const auto& dialogs = host().fileDialogCalls();
  ASSERT_EQ(dialogs.size(), 2u);
  EXPECT_EQ(dialogs[1].title, "Select a VTC");
  EXPECT_EQ(dialogs[1].fileList, "/data/sub-01/run1.vtc");
  EXPECT_EQ(dialogs[1].filter, "Volume Time Course (*.vtc)");
  EXPECT_EQ(log(),
            (Lines{"Plugin>  Command received: AddFile", "Plugin>  Command received: AddFile"}));
}

TEST_F(Commands, ACancelledAddFileChangesNothing) {
  host().setStringParameter("FileList", "/data/run1.vtc");
  host().clearJournal();
  host().queueCancelledFileDialog();
  EXPECT_TRUE(runCommand("AddFile"));
  EXPECT_EQ(fileList(), "/data/run1.vtc");
  EXPECT_EQ(host().callCount("nvSetStringParameter"), 0u);
  EXPECT_EQ(log(), Lines{"Plugin>  Command received: AddFile"});
}

TEST_F(Commands, AddFileToAFullListKeepsEveryEntryAndSaysSo) {
  // 25,600 characters: four bytes of the 25,604 remain, counting the NUL.
  const std::string full = std::string(12799, 'a') + "\n" + std::string(12800, 'b');
  host().setStringParameter("FileList", full);
  host().queueChosenFile("/x.vtc");
  EXPECT_TRUE(runCommand("AddFile"));
  EXPECT_EQ(fileList(), full);
  EXPECT_EQ(log(), (Lines{"Plugin>  Command received: AddFile",
                          "Plugin>  The file list is full; not added: /x.vtc"}));

  host().queueChosenFile("/y");  // "\n/y" and the NUL fit exactly
  EXPECT_TRUE(runCommand("AddFile"));
  EXPECT_EQ(fileList(), full + "\n/y");
}

TEST_F(Commands, AddFileTakesPathsAsLongAsTheHostGives) {
  const std::string path = "/" + std::string(500, 'd') + "/run.vtc";
  ASSERT_EQ(path.size(), 509u);
  host().queueChosenFile(path);
  EXPECT_TRUE(runCommand("AddFile"));
  EXPECT_EQ(fileList(), path);
}

TEST_F(Commands, AddMDMAppendsTheVTCsOfTheChosenFile) {
  const std::string mdm = workFile("study.mdm");
  writeFile(mdm,
            "FileVersion:          3\n"
            "NrOfStudies:          2\n"
            "\"/data/s1/run1.vtc\" \"/data/s1/run1.sdm\"\n"
            "\"/data/s2/run1.vtc\" \"/data/s2/run1.sdm\"\n");
  host().setStringParameter("FileList", "/data/s0/run1.vtc");
  host().queueChosenFile(mdm);
  EXPECT_TRUE(runCommand("AddMDM"));
  EXPECT_EQ(fileList(), "/data/s0/run1.vtc\n/data/s1/run1.vtc\n/data/s2/run1.vtc");
  const auto& dialogs = host().fileDialogCalls();
  ASSERT_EQ(dialogs.size(), 1u);
  EXPECT_EQ(dialogs[0].title, "Select an MDM");
  EXPECT_EQ(dialogs[0].fileList, "/data/s0/run1.vtc");
  EXPECT_EQ(dialogs[0].filter, "Multi Subject Design Matrix (*.mdm)");
  EXPECT_EQ(log(), Lines{"Plugin>  Command received: AddMDM"});
}

TEST_F(Commands, AnMDMThatCannotBeOpenedLeavesTheList) {
  host().setStringParameter("FileList", "/data/run1.vtc");
  host().clearJournal();
  host().queueCancelledFileDialog();
  EXPECT_TRUE(runCommand("AddMDM"));
  host().queueChosenFile(workFile("missing.mdm"));
  EXPECT_TRUE(runCommand("AddMDM"));
  EXPECT_EQ(fileList(), "/data/run1.vtc");
  EXPECT_EQ(host().callCount("nvSetStringParameter"), 0u);
  EXPECT_EQ(log(),
            (Lines{"Plugin>  Command received: AddMDM", "File could not be opened for reading",
                   "Plugin>  Command received: AddMDM", "File could not be opened for reading"}));
}

TEST_F(Commands, AnMDMBeyondTheListsCapacityAddsWhatFits) {
  std::string text;
  for (int i = 0; i < 300; ++i)
    text += "\"/data/" + std::string(90, 's') + "/run" + std::to_string(i) + ".vtc\"\n";
  const std::string mdm = workFile("big.mdm");
  writeFile(mdm, text);
  host().queueChosenFile(mdm);
  EXPECT_TRUE(runCommand("AddMDM"));

  const std::string list = fileList();
  EXPECT_LT(list.size(), 25604u);
  const std::size_t entries =
      static_cast<std::size_t>(std::count(list.begin(), list.end(), '\n')) + 1;
  // Every line of the log after the command names a path that was left out.
  EXPECT_EQ(entries + log().size() - 1, 300u);
  EXPECT_EQ(log()[1].rfind("Plugin>  The file list is full; not added: ", 0), 0u);
  const std::string first = "/data/" + std::string(90, 's') + "/run0.vtc\n";
  EXPECT_EQ(list.compare(0, first.size(), first), 0);
}

}  // namespace
}  // namespace quorvel_test
