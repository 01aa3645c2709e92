// Creating plug-in objects, their start-up checks and the guard of execute,
// through the built library and the simulated host.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "plugin_scenario.h"

namespace quorvel_test {
namespace {

using Names = std::vector<std::string>;

constexpr char kBanner[] = "\n** Starting Quorvel 1.2 **";
constexpr char kNotReady[] = "Plugin>  Initial requirements are not met!";
constexpr char kTooOld[] =
    "Can not execute this plugin - Noravia version 2.1.0 or higher required.";
constexpr char kNoDocument[] = "No current document available. Please open a VMR.";
constexpr char kNotVMR[] = "The currently active document is not a VMR document.";

const Names kSuccessfulStart = {"nvGetVersionOfNoravia", "nvGetIDOfCurrentDocument",
                                "nvGetDocumentType", "nvShowLogPane", "nvLogText"};

using PluginLifecycle = PluginHostTest;

TEST_F(PluginLifecycle, StartShowsLogPaneThenBannerAsLastCall) {
  ASSERT_TRUE(initPlugin());
  EXPECT_EQ(host().journalNames(), kSuccessfulStart);
  EXPECT_EQ(host().journal().back().argument, kBanner);
  EXPECT_EQ(host().log(), Names{kBanner});
  EXPECT_TRUE(host().logPaneShown());
  EXPECT_TRUE(host().messageBoxes().empty());
}

TEST_F(PluginLifecycle, DocumentIdZeroAndOthersAreChecked) {
  ASSERT_EQ(host().currentDocument(), 0);
  ASSERT_TRUE(initPlugin());
  EXPECT_EQ(host().journal()[2].argument, "0");  // type of document 0

  host().addDocument(1);
  const int vmr = host().addDocument(noravia::kVMRDocument);
  host().setCurrentDocument(vmr);
  host().clearJournal();
  ASSERT_TRUE(initPlugin());
  EXPECT_EQ(host().journal()[2].argument, std::to_string(vmr));
}

TEST_F(PluginLifecycle, NoCurrentDocument) {
  for (int id : {-1, -7}) {
    host().clearJournal();
    host().clearLog();
    host().setCurrentDocument(id);
    EXPECT_FALSE(initPlugin());
    EXPECT_EQ(host().journalNames(),
              (Names{"nvGetVersionOfNoravia", "nvGetIDOfCurrentDocument", "nvMessageBox"}));
    EXPECT_EQ(host().messageBoxes(), Names{kNoDocument});
    EXPECT_TRUE(host().log().empty());
    EXPECT_FALSE(host().logPaneShown());
  }
}

class NotAVMR : public PluginHostTest, public ::testing::WithParamInterface<int> {};

TEST_P(NotAVMR, IsRefusedWithoutLogPaneOrBanner) {
  host().setCurrentDocument(host().addDocument(GetParam()));
  EXPECT_FALSE(initPlugin());
  EXPECT_EQ(host().journalNames(), (Names{"nvGetVersionOfNoravia", "nvGetIDOfCurrentDocument",
                                          "nvGetDocumentType", "nvMessageBox"}));
  EXPECT_EQ(host().messageBoxes(), Names{kNotVMR});
  EXPECT_TRUE(host().log().empty());
  EXPECT_FALSE(host().logPaneShown());
}

INSTANTIATE_TEST_SUITE_P(DocumentTypes, NotAVMR, ::testing::Values(0, 1, 2, 4, -3));

// major, minor, sub-minor, accepted
using Version = std::tuple<int, int, int, bool>;

class HostVersion : public PluginHostTest, public ::testing::WithParamInterface<Version> {};

TEST_P(HostVersion, IsComparedNumberByNumber) {
  const auto [major, minor, subMinor, accepted] = GetParam();
  host().setVersion(major, minor, subMinor);
  EXPECT_EQ(initPlugin(), accepted);
  if (accepted) {
    EXPECT_EQ(host().journalNames(), kSuccessfulStart);
    EXPECT_TRUE(host().messageBoxes().empty());
  } else {
    EXPECT_EQ(host().journalNames(), (Names{"nvGetVersionOfNoravia", "nvMessageBox"}));
    EXPECT_EQ(host().messageBoxes(), Names{kTooOld});
    EXPECT_TRUE(host().log().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, HostVersion,
                         ::testing::Values(Version{2, 1, 0, true}, Version{2, 0, 9, false},
                                           Version{1, 9, 9, false}, Version{2, 2, 0, true},
                                           Version{3, 0, 0, true}, Version{2, 1, -1, false},
                                           Version{2, 2, -1, true}, Version{3, -1, -1, true},
                                           Version{1, 99, 99, false}, Version{0, 0, 0, false},
                                           Version{2, 1, 7, true}));

TEST_F(PluginLifecycle, NewObjectIsRefusedUntilItsOwnStart) {
  PluginPointer second = createPlugin();
  ASSERT_NE(second, nullptr);
  EXPECT_NE(second.get(), &plugin());
  ASSERT_TRUE(initPlugin());  // the first object only
  host().clearJournal();
  host().clearLog();

  host().setStringParameter("Command", "AddFile");
  EXPECT_FALSE(second->execute());
  EXPECT_EQ(host().journalNames(), Names{"nvLogText"});
  EXPECT_EQ(host().log(), Names{kNotReady});
  EXPECT_TRUE(host().messageBoxes().empty());
  EXPECT_TRUE(host().fileDialogCalls().empty());

  ASSERT_TRUE(second->initPlugin());
  host().clearJournal();
  EXPECT_TRUE(second->execute());
  EXPECT_NE(host().journalNames(), Names{"nvLogText"});
}

TEST_F(PluginLifecycle, FailedStartRefusesCommandsUntilALaterStartPasses) {
  host().setVersion(2, 0, 9);
  ASSERT_FALSE(initPlugin());
  for (int attempt = 0; attempt < 2; ++attempt) {
    host().clearJournal();
    host().clearLog();
    EXPECT_FALSE(runCommand("AddFile"));
    EXPECT_EQ(host().journalNames(), Names{"nvLogText"});
    EXPECT_EQ(host().log(), Names{kNotReady});
  }

  host().setVersion(2, 1, 0);
  ASSERT_TRUE(initPlugin());
  host().clearJournal();
  EXPECT_TRUE(runCommand("NoSuchCommand"));
  ASSERT_FALSE(host().journal().empty());
  EXPECT_EQ(host().journal().front().entryPoint, "nvGetStringParameter");
  EXPECT_EQ(host().journal().front().argument, "Command");
}

TEST_F(PluginLifecycle, LatestStartDecides) {
  ASSERT_TRUE(initPlugin());
  host().setCurrentDocument(-1);
  EXPECT_FALSE(initPlugin());
  host().clearJournal();
  EXPECT_FALSE(runCommand("AddFile"));
  EXPECT_EQ(host().journalNames(), Names{"nvLogText"});

  host().setCurrentDocument(0);
  EXPECT_TRUE(initPlugin());
  EXPECT_TRUE(runCommand("NoSuchCommand"));
}

TEST_F(PluginLifecycle, RepeatedStartRunsEveryCheckAgain) {
  ASSERT_TRUE(initPlugin());
  host().clearJournal();
  ASSERT_TRUE(initPlugin());
  EXPECT_EQ(host().journalNames(), kSuccessfulStart);
}

TEST_F(PluginLifecycle, DestroyingAnObjectCallsNoHostFunction) {
  PluginPointer second = createPlugin();
  ASSERT_TRUE(second->initPlugin());
  host().clearJournal();
  second.reset();
  EXPECT_TRUE(host().journal().empty());
  EXPECT_FALSE(runCommand("AddFile"));  // the first is still not ready
}

}  // namespace
}  // namespace quorvel_test
