// The simulated host's entry points, called as the plug-in calls them.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "sim/entry_points.h"
#include "sim/simulated_host.h"
#include "tests/support/host_faults.h"

namespace {

using noravia::Box;
using noravia::kHostFillByte;
using noravia::SimulatedHost;

class SimulatedHostTest : public ::testing::Test {
 protected:
  void SetUp() override { host().reset(); }
  void TearDown() override { host().reset(); }
  SimulatedHost& host() { return SimulatedHost::instance(); }
};

bool allBytesAre(const void* data, std::size_t from, std::size_t to, unsigned char value) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (std::size_t i = from; i < to; ++i) {
    if (bytes[i] != value) return false;
  }
  return true;
}

TEST_F(SimulatedHostTest, FreshHostAndJournal) {
  int major = -1, minor = -1, subMinor = -1;
  EXPECT_EQ(nvGetVersionOfNoravia(&major, &minor, &subMinor), 1);
  EXPECT_EQ(major, 2);
  EXPECT_EQ(minor, 1);
  EXPECT_EQ(subMinor, 0);
  EXPECT_EQ(nvGetIDOfCurrentDocument(), 0);
  EXPECT_EQ(nvGetDocumentType(0), noravia::kVMRDocument);
  EXPECT_EQ(nvGetDocumentType(7), 0);
  nvLogText("hello");
  EXPECT_EQ(host().journalNames(),
            (std::vector<std::string>{"nvGetVersionOfNoravia", "nvGetIDOfCurrentDocument",
                                      "nvGetDocumentType", "nvGetDocumentType", "nvLogText"}));
  EXPECT_EQ(host().journal().back().argument, "hello");
  EXPECT_EQ(host().callCount("nvGetDocumentType"), 2u);

  host().setCurrentDocument(-1);
  host().onLogText([](const std::string&) { FAIL() << "listener survived"; });
  host().reset();
  EXPECT_TRUE(host().journal().empty());
  EXPECT_EQ(nvGetIDOfCurrentDocument(), 0);
  nvLogText("after reset");
  EXPECT_EQ(host().log(), std::vector<std::string>{"after reset"});
}

TEST_F(SimulatedHostTest, LogAndMessageBoxesReachListeners) {
  std::vector<std::string> seen;
  host().onLogText([&](const std::string& text) { seen.push_back("L " + text); });
  host().onMessageBox([&](const std::string& text) { seen.push_back("M " + text); });
  EXPECT_FALSE(host().logPaneShown());
  nvShowLogPane();
  nvLogText("one");
  nvMessageBox("two");
  nvLogText(nullptr);
  EXPECT_TRUE(host().logPaneShown());
  EXPECT_EQ(seen, (std::vector<std::string>{"L one", "M two", "L "}));
  EXPECT_EQ(host().messageBoxes(), std::vector<std::string>{"two"});
}

// A call the host has no memory for fails as a refused call does, and is
// noted, instead of throwing into the plug-in (which would end the process).
TEST_F(SimulatedHostTest, ACallWithoutMemoryFailsAndIsNoted) {
  bool full = false;
  host().onLogText([&](const std::string&) {
    if (full) throw std::bad_alloc();
  });
  host().onMessageBox([&](const std::string&) { throw std::bad_alloc(); });
  EXPECT_EQ(nvLogText("fits"), 1);
  EXPECT_FALSE(host().ranOutOfMemory());
  full = true;
  EXPECT_EQ(nvLogText("too much"), 0);
  EXPECT_TRUE(host().ranOutOfMemory());
  EXPECT_EQ(nvMessageBox("also"), 0);
  host().reset();
  EXPECT_FALSE(host().ranOutOfMemory());
}

TEST_F(SimulatedHostTest, ALogLeftOutOfTheJournalIsHeldOnceAndCallsArePlacedInIt) {
  for (const bool journaled : {true, false}) {
    host().reset();
    host().journalLogLines(journaled);
    nvLogText("one");
    nvGetIDOfCurrentDocument();
    nvLogText("two");
    nvLogText("three");
    nvGetIDOfCurrentDocument();
    EXPECT_EQ(host().log(), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(host().callCount("nvLogText"), journaled ? 3u : 0u);
    std::vector<std::size_t> places;
    for (const noravia::HostCall& call : host().journal()) {
      if (call.entryPoint == "nvGetIDOfCurrentDocument") places.push_back(call.logLength);
    }
    EXPECT_EQ(places, (std::vector<std::size_t>{1, 3})) << journaled;
  }
  host().reset();
  nvLogText("after reset");
  EXPECT_EQ(host().callCount("nvLogText"), 1u) << "a fresh host journals its log";
}

TEST_F(SimulatedHostTest, Parameters) {
  char buffer[32];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(nvGetStringParameter("FileList", buffer), 0);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(nvGetIntParameter("Create_TSNR_Map"), 0);
  EXPECT_EQ(nvGetFloatParameter("Max_Deviation"), 0.0);

  nvSetStringParameter("FileList", "a.vtc\nb.vtc");
  host().setIntParameter("Create_TSNR_Map", 1);
  host().setFloatParameter("Max_Deviation", 4.5);
  EXPECT_EQ(nvGetStringParameter("FileList", buffer), 1);
  EXPECT_STREQ(buffer, "a.vtc\nb.vtc");
  EXPECT_EQ(nvGetIntParameter("Create_TSNR_Map"), 1);
  EXPECT_EQ(nvGetFloatParameter("Max_Deviation"), 4.5);
  EXPECT_EQ(host().journal().front().argument, "FileList");
}

TEST_F(SimulatedHostTest, OpenFileDialogPopsQueuedAnswers) {
  host().queueChosenFile("/data/run.vtc");
  host().queueCancelledFileDialog();
  char path[64] = "untouched";
  EXPECT_EQ(nvGetOpenFileName("Select a VTC", "list", "filter", path), 1);
  EXPECT_STREQ(path, "/data/run.vtc");
  std::strcpy(path, "untouched");
  EXPECT_EQ(nvGetOpenFileName("Second", "", "", path), 0);
  EXPECT_STREQ(path, "untouched");
  EXPECT_EQ(nvGetOpenFileName("Empty queue", "", "", path), 0);
  EXPECT_STREQ(path, "untouched");
  ASSERT_EQ(host().fileDialogCalls().size(), 3u);
  EXPECT_EQ(host().fileDialogCalls()[0].title, "Select a VTC");
  EXPECT_EQ(host().fileDialogCalls()[0].fileList, "list");
  EXPECT_EQ(host().fileDialogCalls()[0].filter, "filter");
}

TEST_F(SimulatedHostTest, VtcLinkHeaderAndSamples) {
  const Box box = Box::ofVoxels(2, 1, 1, 3);
  host().addFloatVtc("/f.vtc", box, 2, {1.f, 2.f, 3.f, 4.f});
  host().addIntVtc("/i.vtc", box, 1, {-1, 7});
  noravia::faults::failLinking("/i.vtc");
  EXPECT_THROW(host().addFloatVtc("/bad.vtc", box, 3, {1.f}), std::invalid_argument);

  VTCHeader header;
  EXPECT_EQ(nvGetHeaderOfVTCOfCurrentVMR(&header), 0);
  EXPECT_EQ(nvGetVTCFloatDataOfCurrentVMR(), nullptr);
  EXPECT_EQ(nvLinkVTCToCurrentVMR("/unknown.vtc", 1), 0);
  EXPECT_EQ(nvLinkVTCToCurrentVMR("/f.vtc", 1), 1);
  EXPECT_EQ(nvLinkVTCToCurrentVMR("/i.vtc", 1), 0);  // set to fail
  EXPECT_EQ(host().linkedVtcPath(), "/f.vtc");

  ASSERT_EQ(nvGetHeaderOfVTCOfCurrentVMR(&header), 1);
  EXPECT_EQ(header.nrOfVolumes, 2);
  EXPECT_EQ(header.xEnd, 6);
  EXPECT_EQ(header.resolution, 3);
  EXPECT_EQ(header.dataType, 2);
  EXPECT_STREQ(header.filePath, "/f.vtc");
  EXPECT_TRUE(allBytesAre(&header, 0, 4, kHostFillByte));
  EXPECT_TRUE(allBytesAre(&header, 8, 20, kHostFillByte));
  float* samples = nvGetVTCFloatDataOfCurrentVMR();
  ASSERT_NE(samples, nullptr);
  EXPECT_EQ(samples[3], 4.f);
  EXPECT_EQ(nvGetVTCIntDataOfCurrentVMR(), nullptr);

  host().linkVtc("/i.vtc");
  short* shorts = nvGetVTCIntDataOfCurrentVMR();
  ASSERT_NE(shorts, nullptr);
  EXPECT_EQ(shorts[0], -1);
  host().vtc("/i.vtc")->nullSamples = true;
  EXPECT_EQ(nvGetVTCIntDataOfCurrentVMR(), nullptr);
}

TEST_F(SimulatedHostTest, NewMapTakesTheLinkedVtcsBox) {
  const Box box = Box::ofVoxels(3, 2, 2, 2);
  host().addFloatVtc("/f.vtc", box, 1, std::vector<float>(12, 1.f));
  host().linkVtc("/f.vtc");
  ASSERT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 1);
  EXPECT_EQ(host().journal().back().argument, "1, 0, 0, 0");

  NRVMPsHeader maps;
  nvGetNRVMPsOfCurrentVMR(&maps);
  EXPECT_EQ(maps.nrOfMaps, 1);
  EXPECT_EQ(maps.xEnd, 6);
  EXPECT_EQ(maps.zEnd, 4);
  EXPECT_EQ(maps.resolution, 2);
  EXPECT_TRUE(allBytesAre(&maps, 4, 344, kHostFillByte));
  EXPECT_TRUE(allBytesAre(&maps, 372, 376, kHostFillByte));

  NRVMPRecord record;
  float* values = nvGetNRVMPOfCurrentVMR(0, &record);
  ASSERT_NE(values, nullptr);
  EXPECT_EQ(host().map(0).values.size(), 12u);
  EXPECT_EQ(values[11], 0.f);
  EXPECT_EQ(record.name, host().map(0).nameStorage.data());
  EXPECT_EQ(host().map(0).nameStorage.size(), noravia::kMapNameStorageSize);
  EXPECT_TRUE(allBytesAre(&record, 16, 40, kHostFillByte));
  EXPECT_TRUE(allBytesAre(&record, 44, 76, kHostFillByte));
  EXPECT_TRUE(allBytesAre(&record, 84, 92, kHostFillByte));
  EXPECT_EQ(nvGetNRVMPOfCurrentVMR(1, &record), nullptr);
  EXPECT_EQ(nvGetNRVMPOfCurrentVMR(-1, &record), nullptr);
}

TEST_F(SimulatedHostTest, MapsStayInPlaceAsMoreAreAdded) {
  noravia::faults::giveMapsBox(Box::ofVoxels(4, 4, 4));
  NRVMPRecord record;
  ASSERT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 1);
  float* first = nvGetNRVMPOfCurrentVMR(0, &record);
  char* firstName = record.name;
  for (int i = 0; i < 40; ++i) nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0);
  EXPECT_EQ(nvGetNRVMPOfCurrentVMR(0, &record), first);
  EXPECT_EQ(record.name, firstName);
  EXPECT_EQ(host().map(40).values.size(), 64u);
  nvDeleteNRVMPsOfCurrentVMR();
  EXPECT_EQ(host().mapCount(), 0u);
}

TEST_F(SimulatedHostTest, MapBoxWithoutVtcAndFaults) {
  ASSERT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 1);
  EXPECT_EQ(host().map(0).box, Box::ofVoxels(1, 1, 1));
  host().addMap("Earlier", Box::ofVoxels(2, 3, 4));
  ASSERT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 1);
  EXPECT_EQ(host().map(2).box, Box::ofVoxels(2, 3, 4));
  EXPECT_EQ(host().map(1).name(), "Earlier");

  noravia::faults::refuseNewMapsAfter(1);
  EXPECT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 1);
  EXPECT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 0);
  EXPECT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 0);
  EXPECT_EQ(host().mapCount(), 4u);

  noravia::faults::giveNullMapArray(1);
  NRVMPRecord record;
  record.name = nullptr;
  EXPECT_EQ(nvGetNRVMPOfCurrentVMR(1, &record), nullptr);
  EXPECT_NE(record.name, nullptr);  // the record is still filled

  noravia::faults::giveMapsBox(Box::ofVoxels(100000, 100000, 100000));
  noravia::faults::refuseNewMapsAfter(-1);
  EXPECT_EQ(nvCreateNRVMPsForCurrentVMR(1, 0, 0, 0), 0);  // too large
}

TEST_F(SimulatedHostTest, SetParametersKeepsRawRecordAndName) {
  host().addMap("Old", Box::ofVoxels(1, 1, 1));
  NRVMPRecord record;
  nvGetNRVMPOfCurrentVMR(0, &record);
  std::strcpy(record.name, "TSNR");
  record.lowerThreshold = 0.5f;
  record.selectedMap92 = 1;
  EXPECT_EQ(nvSetNRVMPParametersOfCurrentVMR(0, &record), 1);
  EXPECT_EQ(nvSetNRVMPParametersOfCurrentVMR(3, &record), 0);

  noravia::Map& map = host().map(0);
  ASSERT_EQ(map.recordsSet.size(), 1u);
  // The host keeps the bytes it was handed, padding included.
  // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison)
  EXPECT_EQ(std::memcmp(map.recordsSet[0].data(), &record, sizeof record), 0);
  EXPECT_EQ(map.name(), "TSNR");
  EXPECT_EQ(map.record.lowerThreshold, 0.5f);
  EXPECT_EQ(map.record.selectedMap92, 1);

  // A record pointing at other storage hands its name over, cut to 100.
  std::string longName(150, 'n');
  record.name = longName.data();
  nvSetNRVMPParametersOfCurrentVMR(0, &record);
  EXPECT_EQ(map.name(), std::string(100, 'n'));
  EXPECT_EQ(map.record.name, map.nameStorage.data());
}

TEST_F(SimulatedHostTest, PluginsPathAndOtherEntryPoints) {
  host().setPluginsPath("/opt/plugins");
  char path[256];
  nvGetPluginsPath(path);
  EXPECT_STREQ(path, "/opt/plugins");
  int a = 0, b = 0, c = 0;
  EXPECT_EQ(nvGetCurrentVMR(&a, &b, &c), 1);
  EXPECT_GT(a * b * c, 0);
}

}  // namespace
