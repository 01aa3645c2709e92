#if !defined(_WIN32)
#include <sys/resource.h>  // setrlimit: POSIX only
#endif

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "float_bits.h"
#include "reference_statistics.h"
#include "tests/analysis/analysis_scenario.h"
#include "tests/support/host_faults.h"

namespace quorvel_test {
namespace {

namespace fs = std::filesystem;

const char kNoVtcMessage[] =
    "This plugin requires a VTC to operate!\n\nYou can either:\n\n"
    "    1. Link a VTC to the VMR\n"
    "    2. Add 1 or more VTCs to the list in the plugin dialog.\n";

// --- One pass -------------------------------------------------------------

TEST_F(AnalysisRun, OnePassCallsTheHostInOrder) {
  Settings s = allMaps();
  s.deleteOtherVmps = s.logtab = s.file = s.addVtcName = true;
  setSettings(s);
  const std::string vtc = workFile("run1.vtc");
  const std::string csv = workFile("run1.csv");
  addTestVtc(vtc, 2, 2, 1, 3);
  setFileList({vtc});

  ASSERT_TRUE(runCommand("Start"));
  const Lines expected = {
      "nvGetStringParameter FileList",
      "nvLogText Plugin>  1 files found in list:",
      "nvGetCurrentVMR ",
      "nvDeleteNRVMPsOfCurrentVMR ",
      "nvLinkVTCToCurrentVMR " + vtc + ", 1",
      "nvLogText Successfully loaded " + vtc,
      "nvGetHeaderOfVTCOfCurrentVMR ",
      "nvLogText VTC dimensions x:2, y:2, z:1, t:3",
      "nvGetVTCFloatDataOfCurrentVMR ",
      "nvCreateNRVMPsForCurrentVMR 1, 0, 0, 0",
      "nvLogText Added the TSNR VMP",
      "nvGetNRVMPsOfCurrentVMR ",
      "nvGetNRVMPOfCurrentVMR 0",
      "nvSetNRVMPParametersOfCurrentVMR 0",
      "nvCreateNRVMPsForCurrentVMR 1, 0, 0, 0",
      "nvLogText Added the Outliers (max stddev) VMP",
      "nvGetNRVMPsOfCurrentVMR ",
      "nvGetNRVMPOfCurrentVMR 1",
      "nvSetNRVMPParametersOfCurrentVMR 1",
      "nvCreateNRVMPsForCurrentVMR 1, 0, 0, 0",
      "nvLogText Added the 1+2 Lagged AutoCorrelation VMP",
      "nvGetNRVMPsOfCurrentVMR ",
      "nvGetNRVMPOfCurrentVMR 2",
      "nvSetNRVMPParametersOfCurrentVMR 2",
      "nvLogText Starting calculations",
      "nvLogText Number of deviating voxels (std>4) per volume",
      "nvLogText Volume   1:     0, of which     0 spikes",
      "nvLogText Volume   2:     0, of which     0 spikes",
      "nvLogText Volume   3:     0, of which     0 spikes",
      "nvLogText The outlier data was saved to: \n" + csv,
      "nvSetNRVMPParametersOfCurrentVMR 1",
      "nvSetNRVMPParametersOfCurrentVMR 0",
      "nvSetNRVMPParametersOfCurrentVMR 2",
      "nvLinkVTCToCurrentVMR " + vtc + ", 0",
      "nvGetPluginsPath ",
  };
  const Lines calls = journalFrom("nvGetStringParameter FileList");
  ASSERT_GE(calls.size(), expected.size());
  EXPECT_EQ(expected, Lines(calls.begin(), calls.begin() + expected.size()));
  EXPECT_EQ("Plugin Successfully completed", log().back());
  // The CSV file is written in text mode.
  EXPECT_EQ(textModeBytes("Volume, Outliers (stddev>4), Spikes (stddev:3)\n"
                          "1,0,0\n2,0,0\n3,0,0\n"),
            readFile(csv));
  EXPECT_EQ(vtc, host().linkedVtcPath());
}

TEST_F(AnalysisRun, MapValuesAreTheVoxelStatistics) {
  setSettings(allMaps());
  const std::string vtc = workFile("run1.vtc");
  addTestVtc(vtc, 3, 2, 2, 7);
  setFileList({vtc});
  ASSERT_TRUE(runCommand("Start"));
  ASSERT_EQ(3u, host().mapCount());
  for (int voxel = 0; voxel < 12; ++voxel) {
    const RefVoxel r = refVoxel(AnalysisRun::testSeries(voxel, 7), 4.0f, 3.0f);
    EXPECT_TRUE(sameFloat(r.tsnr, host().map(0).values.at(voxel))) << voxel;
    EXPECT_TRUE(sameFloat(r.largestDeviation, host().map(1).values.at(voxel))) << voxel;
    EXPECT_TRUE(sameFloat(r.autocorrelation, host().map(2).values.at(voxel))) << voxel;
  }
}

TEST_F(AnalysisRun, SixteenBitSamplesForEveryTypeButFloat) {
  setSettings(allMaps());
  for (int dataType : {0, 1, 3}) {
    host().clearJournal();
    const std::string vtc = workFile("int" + std::to_string(dataType) + ".vtc");
    host().addIntVtc(vtc, noravia::Box::ofVoxels(1, 1, 1), 4,
                     {static_cast<std::int16_t>(0xFFFF), 500, 520, 480}, dataType);
    setFileList({vtc});
    ASSERT_TRUE(runCommand("Start"));
    EXPECT_EQ(1u, host().callCount("nvGetVTCIntDataOfCurrentVMR"));
    EXPECT_EQ(0u, host().callCount("nvGetVTCFloatDataOfCurrentVMR"));
    const RefVoxel r = refVoxel({-1, 500, 520, 480}, 4.0f, 3.0f);
    EXPECT_TRUE(sameFloat(r.tsnr, host().map(host().mapCount() - 3).values.at(0)));
  }
}

// --- Several files and the maps' names ------------------------------------

TEST_F(AnalysisRun, TwoFilesMakeSixNamedMaps) {
  Settings s = allMaps();
  s.addVtcName = true;
  setSettings(s);
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  addTestVtc(workFile("b.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc"), workFile("b.vtc")});
  ASSERT_TRUE(runCommand("Start"));
  const Lines expected = {
      "TSNR of a.vtc", "Outliers (max stddev) of a.vtc", "1+2 Lagged AutoCorrelation of a.vtc",
      "TSNR of b.vtc", "Outliers (max stddev) of b.vtc", "1+2 Lagged AutoCorrelation of b.vtc"};
  Lines names;
  for (std::size_t i = 0; i < host().mapCount(); ++i) names.push_back(host().map(i).name());
  EXPECT_EQ(expected, names);
  EXPECT_TRUE(logHas("Plugin>  2 files found in list:"));
  EXPECT_EQ(workFile("b.vtc"), host().linkedVtcPath());
}

TEST_F(AnalysisRun, NamesWithoutTheVtcAndCutToAHundredCharacters) {
  setSettings(allMaps());
  const std::string vtc = workFile(std::string(120, 'n') + ".vtc");
  addTestVtc(vtc, 1, 1, 1, 4);
  setFileList({vtc});
  ASSERT_TRUE(runCommand("Start"));
  EXPECT_EQ("TSNR", host().map(0).name());
  EXPECT_EQ("Outliers (max stddev)", host().map(1).name());

  Settings s = allMaps();
  s.addVtcName = true;
  setSettings(s);
  host().clearJournal();
  ASSERT_TRUE(runCommand("Start"));
  const noravia::Map& tsnr = host().map(3);
  EXPECT_EQ(("TSNR of " + std::string(120, 'n')).substr(0, 100), tsnr.name());
  // The storage past the name and its NUL is still the host's.
  for (std::size_t i = 101; i < tsnr.nameStorage.size(); ++i) {
    EXPECT_EQ(static_cast<char>(noravia::kHostFillByte), tsnr.nameStorage[i]) << i;
  }
}

TEST_F(AnalysisRun, SecondOfThreeFailingToLinkEndsTheLoopButNotTheRun) {
  setSettings(allMaps());
  for (const char* name : {"a.vtc", "b.vtc", "c.vtc"}) {
    addTestVtc(workFile(name), 2, 1, 1, 4);
  }
  noravia::faults::failLinking(workFile("b.vtc"));
  setFileList({workFile("a.vtc"), workFile("b.vtc"), workFile("c.vtc")});
  ASSERT_TRUE(runCommand("Start"));
  EXPECT_EQ(3u, host().mapCount());
  EXPECT_EQ(2u, host().map(0).recordsSet.size());  // named, then thresholds
  const Lines links = {"nvLinkVTCToCurrentVMR " + workFile("a.vtc") + ", 1",
                       "nvLinkVTCToCurrentVMR " + workFile("b.vtc") + ", 1"};
  Lines actual;
  for (const std::string& call : journalFrom("nvGetStringParameter FileList")) {
    if (call.rfind("nvLinkVTCToCurrentVMR", 0) == 0) actual.push_back(call);
  }
  EXPECT_EQ(links, actual);  // c never tried, no final relink
  EXPECT_TRUE(logHas("Failed loading on this VMR: " + workFile("b.vtc")));
  EXPECT_TRUE(logHas("Saving the current settings"));
  EXPECT_EQ("Plugin Successfully completed", log().back());
}

TEST_F(AnalysisRun, OtherMapsAreDeletedOnceBeforeTheFirstFile) {
  Settings s = allMaps();
  s.deleteOtherVmps = true;
  setSettings(s);
  host().addMap("old", noravia::Box::ofVoxels(2, 1, 1));
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  addTestVtc(workFile("b.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc"), workFile("b.vtc")});
  ASSERT_TRUE(runCommand("Start"));
  EXPECT_EQ(1u, host().callCount("nvDeleteNRVMPsOfCurrentVMR"));
  EXPECT_EQ(6u, host().mapCount());
  EXPECT_EQ("TSNR", host().map(0).name());
}

TEST_F(AnalysisRun, TheLinkedVtcWhenTheListIsEmpty) {
  setSettings(Settings{});
  const std::string vtc = workFile("linked.vtc");
  addTestVtc(vtc, 2, 1, 1, 4);
  host().linkVtc(vtc);
  setFileList({});
  ASSERT_TRUE(runCommand("Start"));
  EXPECT_TRUE(logHas("Successfully loaded " + vtc));
  for (const std::string& line : log()) {
    EXPECT_EQ(std::string::npos, line.find("files found")) << line;
  }
  // No map asked for: none made, no dimension check, the run completes.
  EXPECT_EQ(0u, host().mapCount());
  EXPECT_EQ(0u, host().callCount("nvGetNRVMPsOfCurrentVMR"));
  EXPECT_TRUE(logHas("Starting calculations"));
}

// --- The records handed back ----------------------------------------------

// Offsets of the named fields of a map record after the name pointer.
const std::vector<std::size_t> kNamedFields = {8, 12, 40, 76, 80, 92};

bool isNamedByte(std::size_t offset) {
  if (offset < sizeof(char*)) return true;
  return std::any_of(kNamedFields.begin(), kNamedFields.end(),
                     [offset](std::size_t field) { return offset >= field && offset < field + 4; });
}

template <typename T>
T fieldAt(const std::vector<unsigned char>& bytes, std::size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

TEST_F(AnalysisRun, RecordsGoBackWithTheHostsBytes) {
  Settings s = allMaps();
  s.maxDeviation = 3.3;
  setSettings(s);
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc")});
  ASSERT_TRUE(runCommand("Start"));
  ASSERT_EQ(3u, host().mapCount());
  // A map as the host makes it, for the host's own values of every field.
  const NRVMPRecord fresh = host().addMap("fresh", noravia::Box::ofVoxels(1, 1, 1)).record;
  std::vector<unsigned char> freshBytes(sizeof fresh);
  std::memcpy(freshBytes.data(), &fresh, sizeof fresh);
  for (std::size_t m = 0; m < 3; ++m) {
    const noravia::Map& map = host().map(m);
    ASSERT_EQ(2u, map.recordsSet.size());
    const std::vector<unsigned char>& named = map.recordsSet[0];
    const std::vector<unsigned char>& thresholds = map.recordsSet[1];
    for (std::size_t i = 0; i < sizeof(NRVMPRecord); ++i) {
      if (isNamedByte(i)) continue;
      EXPECT_EQ(noravia::kHostFillByte, named[i]) << "map " << m << " byte " << i;
      EXPECT_EQ(noravia::kHostFillByte, thresholds[i]) << "map " << m << " byte " << i;
    }
    // Naming a map changes nothing but its name: thresholds and the other
    // fields are still the host's when the record first goes back.
    for (std::size_t i = sizeof(char*); i < sizeof(NRVMPRecord); ++i) {
      EXPECT_EQ(freshBytes[i], named[i]) << "map " << m << " byte " << i;
    }
    // The name pointer is the host's own storage, both times.
    EXPECT_EQ(map.nameStorage.data(), fieldAt<const char*>(named, 0));
    EXPECT_EQ(map.nameStorage.data(), fieldAt<const char*>(thresholds, 0));
  }
  const auto& tsnr = host().map(0).recordsSet[1];
  EXPECT_EQ(40.0f, fieldAt<float>(tsnr, 8));
  EXPECT_EQ(200.0f, fieldAt<float>(tsnr, 12));
  EXPECT_EQ(1, fieldAt<std::int32_t>(tsnr, 40));
  EXPECT_EQ(0, fieldAt<std::int32_t>(tsnr, 76));
  EXPECT_EQ(0.8f, fieldAt<float>(tsnr, 80));
  // The host's own value stays: the outlier map takes the selection.
  EXPECT_EQ(fresh.selectedMap92, fieldAt<std::int32_t>(tsnr, 92));
  EXPECT_NE(1, fresh.selectedMap92);
  const auto& outliers = host().map(1).recordsSet[1];
  EXPECT_EQ(3.3f, fieldAt<float>(outliers, 8));
  EXPECT_EQ(8.0f, fieldAt<float>(outliers, 12));
  EXPECT_EQ(1, fieldAt<std::int32_t>(outliers, 92));
  const auto& autocor = host().map(2).recordsSet[1];
  EXPECT_EQ(0.3f, fieldAt<float>(autocor, 8));
  EXPECT_EQ(1.0f, fieldAt<float>(autocor, 12));
  EXPECT_EQ(fresh.selectedMap92, fieldAt<std::int32_t>(autocor, 92));
}

TEST_F(AnalysisRun, WithoutAnOutlierMapTheTSNRMapIsSelected) {
  Settings s;
  s.tsnr = s.autocor = true;
  setSettings(s);
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc")});
  ASSERT_TRUE(runCommand("Start"));
  ASSERT_EQ(2u, host().mapCount());
  EXPECT_EQ(1, fieldAt<std::int32_t>(host().map(0).recordsSet[1], 92));
  const NRVMPRecord fresh = host().addMap("fresh", noravia::Box::ofVoxels(1, 1, 1)).record;
  EXPECT_NE(1, fresh.selectedMap92);
  EXPECT_EQ(fresh.selectedMap92, fieldAt<std::int32_t>(host().map(1).recordsSet[1], 92));
}

// --- Failures that stop the run -------------------------------------------

TEST_F(AnalysisRun, NoVtcAtAll) {
  setSettings(allMaps());
  setFileList({});
  EXPECT_FALSE(runCommand("Start"));
  EXPECT_EQ(Lines{kNoVtcMessage}, host().messageBoxes());
  const Lines expected = {"nvGetStringParameter FileList", "nvGetHeaderOfVTCOfCurrentVMR ",
                          std::string("nvMessageBox ") + kNoVtcMessage};
  EXPECT_EQ(expected, journalFrom("nvGetStringParameter FileList"));
  EXPECT_FALSE(logHas("Saving the current settings"));
}

TEST_F(AnalysisRun, RefusedMap) {
  setSettings(allMaps());
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc")});
  noravia::faults::refuseNewMapsAfter(1);
  EXPECT_FALSE(runCommand("Start"));
  EXPECT_EQ(Lines{"Failed to add VMPs"}, host().messageBoxes());
  ASSERT_EQ(1u, host().mapCount());
  EXPECT_EQ(1u, host().map(0).recordsSet.size());  // named, never given thresholds
  EXPECT_FALSE(logHas("Starting calculations"));
  EXPECT_FALSE(logHas("Saving the current settings"));
  EXPECT_FALSE(logHas("Plugin Successfully completed"));
}

TEST_F(AnalysisRun, InaccessibleMap) {
  Settings s = allMaps();
  s.addVtcName = true;
  setSettings(s);
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc")});
  noravia::faults::giveNullMapArray(1);
  EXPECT_FALSE(runCommand("Start"));
  EXPECT_EQ(Lines{"Failed to get access to the Outliers (max stddev) of a.vtc VMP"},
            host().messageBoxes());
  EXPECT_EQ(0u, host().map(1).recordsSet.size());
  EXPECT_EQ(2u, host().mapCount());
  EXPECT_FALSE(logHas("Saving the current settings"));
}

TEST_F(AnalysisRun, MapsOfAnotherSize) {
  setSettings(allMaps());
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc")});
  noravia::faults::giveMapsBox(noravia::Box::ofVoxels(2, 2, 1));
  EXPECT_FALSE(runCommand("Start"));
  EXPECT_TRUE(logHas("Dimensions of VTC and VMP don't match\nUnexpected end of Plugin"));
  EXPECT_TRUE(host().messageBoxes().empty());
  EXPECT_FALSE(logHas("Starting calculations"));
  for (float value : host().map(0).values) EXPECT_EQ(0.0f, value);
  EXPECT_FALSE(logHas("Saving the current settings"));
}

TEST_F(AnalysisRun, NoMapsNoDimensionCheck) {
  Settings s;
  s.file = true;
  setSettings(s);
  addTestVtc(workFile("a.vtc"), 2, 1, 1, 4);
  setFileList({workFile("a.vtc")});
  noravia::faults::giveMapsBox(noravia::Box::ofVoxels(5, 5, 5));
  EXPECT_TRUE(runCommand("Start"));
  EXPECT_TRUE(fs::exists(workFile("a.csv")));
}

TEST_F(AnalysisRun, CsvThatCannotBeOpened) {
  Settings s = allMaps();
  s.logtab = s.file = true;
  setSettings(s);
  const std::string vtc = workFile("missing folder/a.vtc");
  addTestVtc(vtc, 2, 1, 1, 4);
  addTestVtc(workFile("b.vtc"), 2, 1, 1, 4);
  setFileList({vtc, workFile("b.vtc")});
  EXPECT_FALSE(runCommand("Start"));
  // The table comes first, then the failure, and nothing after it.
  const auto failed = std::find(log().begin(), log().end(), "Opening CSV file failed!");
  ASSERT_NE(log().end(), failed);
  EXPECT_EQ("Volume   4:     0, of which     0 spikes", *(failed - 1));
  EXPECT_EQ(log().end(), failed + 1);
  for (std::size_t m = 0; m < host().mapCount(); ++m) {
    EXPECT_EQ(1u, host().map(m).recordsSet.size());  // no thresholds set
  }
  EXPECT_EQ(3u, host().mapCount());  // b never analysed
}

// --- Files the run cannot analyse -----------------------------------------

VTCHeader headerOf(int x, int y, int z, int resolution, int t, int dataType = 2) {
  VTCHeader h;
  std::memset(&h, noravia::kHostFillByte, sizeof h);
  h.xStart = h.yStart = h.zStart = 0;
  h.xEnd = x;
  h.yEnd = y;
  h.zEnd = z;
  h.resolution = resolution;
  h.nrOfVolumes = t;
  h.dataType = dataType;
  return h;
}

TEST_F(AnalysisRun, HeadersThatCannotDescribeAVtcEndTheLoop) {
  setSettings(allMaps());
  struct Case {
    VTCHeader header;
    std::string problem;
  };
  const std::vector<Case> cases = {
      {headerOf(4, 4, 4, 0, 10), "resolution is 0"},
      {headerOf(-4, 4, 4, 1, 10), "no voxel on x (start 0, end -4, resolution 1)"},
      {headerOf(4, 4, 4, 1, 0), "number of volumes is 0"},
      {headerOf(1 << 30, 1 << 30, 1 << 30, 1, 10),
       "1073741824 x 1073741824 x 1073741824 voxels of 10 volumes are too many samples"},
  };
  for (const Case& c : cases) {
    host().reset();
    host().setPluginsPath(pluginsDir().string());
    setSettings(allMaps());
    const std::string bad = workFile("bad.vtc");
    host().addVtcWithHeader(bad, c.header);
    addTestVtc(workFile("good.vtc"), 2, 1, 1, 4);
    setFileList({bad, workFile("good.vtc")});
    EXPECT_TRUE(runCommand("Start")) << c.problem;
    const Lines expected = {"Successfully loaded " + bad,
                            "Invalid VTC header in " + bad + ": " + c.problem,
                            "Saving the current settings"};
    const auto loaded = std::find(log().begin(), log().end(), expected[0]);
    ASSERT_NE(log().end(), loaded) << c.problem;
    EXPECT_EQ(expected, Lines(loaded, loaded + 3));
    EXPECT_EQ(0u, host().mapCount()) << c.problem;
    EXPECT_EQ(0u, host().callCount("nvGetVTCFloatDataOfCurrentVMR")) << c.problem;
    EXPECT_EQ("Plugin Successfully completed", log().back());
  }
}

TEST_F(AnalysisRun, NoSampleArrayEndsTheLoop) {
  setSettings(allMaps());
  const std::string vtc = workFile("empty.vtc");
  addTestVtc(vtc, 2, 1, 1, 4);
  host().vtc(vtc)->nullSamples = true;
  setFileList({vtc});
  EXPECT_TRUE(runCommand("Start"));
  EXPECT_TRUE(logHas("VTC dimensions x:2, y:1, z:1, t:4"));
  EXPECT_TRUE(logHas("No VTC data available for " + vtc));
  EXPECT_EQ(0u, host().mapCount());
  EXPECT_TRUE(logHas("Plugin Successfully completed"));
}

TEST_F(AnalysisRun, OneVolume) {
  Settings s = allMaps();
  s.file = true;
  s.maxDeviation = -1.0;  // even a zero deviation would pass
  s.spikeDef = -1.0;
  setSettings(s);
  const std::string vtc = workFile("one.vtc");
  host().addFloatVtc(vtc, noravia::Box::ofVoxels(2, 1, 1), 1, {1000.0f, 50.0f});
  setFileList({vtc});
  ASSERT_TRUE(runCommand("Start"));
  EXPECT_EQ(std::numeric_limits<float>::infinity(), host().map(0).values[0]);
  EXPECT_EQ(0.0f, host().map(0).values[1]);
  EXPECT_EQ(0.0f, host().map(1).values[0]);
  EXPECT_EQ(0.0f, host().map(2).values[0]);
  EXPECT_EQ(textModeBytes("Volume, Outliers (stddev>-1), Spikes (stddev:-1)\n"
                          "1,0,0\n"),
            readFile(workFile("one.csv")));
}

#if !defined(_WIN32)  // needs a file size limit (setrlimit)
TEST_F(AnalysisRun, CsvThatFailsWhileWrittenStopsTheRun) {
  Settings s;
  s.file = true;
  setSettings(s);
  const std::string vtc = workFile("long.vtc");
  addTestVtc(vtc, 1, 1, 1, 200);
  setFileList({vtc});
  rlimit saved{};
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  rlimit small = saved;
  small.rlim_cur = 64;
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const bool result = runCommand("Start");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);

  EXPECT_FALSE(result);
  EXPECT_EQ("Writing CSV file failed: " + workFile("long.csv"), log().back());
  EXPECT_FALSE(fs::exists(workFile("long.csv")));
}
#endif

}  // namespace
}  // namespace quorvel_test
