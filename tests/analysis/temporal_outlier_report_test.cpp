#include "analysis/temporal_outlier_report.h"

#if !defined(_WIN32)
#include <sys/resource.h>  // setrlimit: POSIX only
#endif

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fake_host_functions.h"
#include "tests/support/test_files.h"

namespace {

namespace fs = std::filesystem;
using quorvel::AnalysisSettings;
using quorvel::outlierCsvPath;
using quorvel::reportTemporalOutliers;
using quorvel::writeOutlierCsv;
using quorvel_test::FakeHost;
using quorvel_test::readFile;
using quorvel_test::textModeBytes;

// A fresh folder for one test's files, removed with its files afterwards.
class ReportFolder : public ::testing::Test {
 protected:
  // Path of `name` in the folder.
  std::string pathIn(const std::string& name) const { return (folder_.path() / name).string(); }

  quorvel_test::TempFolder folder_{"report"};
};

AnalysisSettings reportSettings(bool logtab, bool file) {
  AnalysisSettings s;
  s.maxDeviation = 4.0f;
  s.spikeDef = 3.0f;
  s.createTemporalOutlierLogtab = logtab;
  s.createTemporalOutlierFile = file;
  return s;
}

const std::vector<std::int32_t> kOutliers = {0, 12, 7, 100000};
const std::vector<std::int32_t> kSpikes = {0, 3, 0, 99999};

TEST(OutlierCsvPath, ReplacesExactlyTheLastThreeCharacters) {
  EXPECT_EQ("/data/run1.csv", outlierCsvPath("/data/run1.vtc"));
  EXPECT_EQ("/data/run1.vcsv", outlierCsvPath("/data/run1.vtc2"));
  EXPECT_EQ("csv", outlierCsvPath("abc"));
  EXPECT_EQ("", outlierCsvPath("ab"));
  EXPECT_EQ("", outlierCsvPath(""));
  // 263 characters fit the 264-byte buffer with the terminator; 264 do not.
  const std::string longest = std::string(259, 'a') + ".vtc";
  EXPECT_EQ(std::string(259, 'a') + ".csv", outlierCsvPath(longest));
  EXPECT_EQ("", outlierCsvPath(longest + "x"));
}

TEST(OutlierCsv, HeaderAndOneRowPerVolume) {
  std::ostringstream out;
  ASSERT_TRUE(
      writeOutlierCsv(out, 4, kOutliers.data(), kSpikes.data(), reportSettings(false, true)));
  EXPECT_EQ(
      "Volume, Outliers (stddev>4), Spikes (stddev:3)\n"
      "1,0,0\n2,12,3\n3,7,0\n4,100000,99999\n",
      out.str());
}

TEST(OutlierCsv, ThresholdsPrintAsTheStreamPrintsAFloat) {
  AnalysisSettings s = reportSettings(false, true);
  s.maxDeviation = 2.5f;
  s.spikeDef = 1.5f;
  std::ostringstream halves;
  writeOutlierCsv(halves, 0, nullptr, nullptr, s);
  EXPECT_EQ("Volume, Outliers (stddev>2.5), Spikes (stddev:1.5)\n", halves.str());

  s.maxDeviation = 3.3f;  // not exact in single precision
  s.spikeDef = 1234567.0f;
  std::ostringstream odd;
  writeOutlierCsv(odd, 0, nullptr, nullptr, s);
  EXPECT_EQ("Volume, Outliers (stddev>3.3), Spikes (stddev:1.23457e+06)\n", odd.str());
}

TEST(OutlierCsv, DecimalPointSurvivesAHostLocale) {
  struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  std::ostringstream out;
  out.imbue(std::locale(std::locale::classic(), new CommaPoint));
  AnalysisSettings s = reportSettings(false, true);
  s.maxDeviation = 2.5f;
  writeOutlierCsv(out, 0, nullptr, nullptr, s);
  EXPECT_EQ("Volume, Outliers (stddev>2.5), Spikes (stddev:3)\n", out.str());
}

TEST_F(ReportFolder, LogTableHasAHeadingAndOneLinePerVolume) {
  FakeHost host;
  AnalysisSettings s = reportSettings(true, false);
  s.maxDeviation = 3.0f;  // the heading still says 4
  std::vector<std::int32_t> outliers(1000, 1), spikes(1000, 0);
  outliers[999] = 123456;
  EXPECT_TRUE(reportTemporalOutliers(host.table(), 1000, outliers.data(), spikes.data(), s,
                                     pathIn("run.vtc")));
  ASSERT_EQ(1001u, host.log().size());
  EXPECT_EQ("Number of deviating voxels (std>4) per volume", host.log()[0]);
  EXPECT_EQ("Volume   1:     1, of which     0 spikes", host.log()[1]);
  EXPECT_EQ("Volume 999:     1, of which     0 spikes", host.log()[999]);
  EXPECT_EQ("Volume 1000: 123456, of which     0 spikes", host.log()[1000]);
  EXPECT_FALSE(fs::exists(pathIn("run.csv")));
}

TEST_F(ReportFolder, BothOutputsTableFirstAndTheFileOverwritten) {
  FakeHost host;
  const std::string vtc = pathIn("run1.vtc");
  const std::string csv = pathIn("run1.csv");
  {
    std::ofstream old(csv);
    old << "old contents that are longer than the new\n";
  }
  EXPECT_TRUE(reportTemporalOutliers(host.table(), 2, kOutliers.data(), kSpikes.data(),
                                     reportSettings(true, true), vtc));
  // The file is written in text mode.
  EXPECT_EQ(textModeBytes("Volume, Outliers (stddev>4), Spikes (stddev:3)\n"
                          "1,0,0\n2,12,3\n"),
            readFile(csv));
  const std::vector<std::string> expected = {
      "Number of deviating voxels (std>4) per volume", "Volume   1:     0, of which     0 spikes",
      "Volume   2:    12, of which     3 spikes", "The outlier data was saved to: \n" + csv};
  EXPECT_EQ(expected, host.log());
  // The text went through a temporary file, which is gone.
  std::vector<std::string> entries;
  for (const auto& entry : fs::directory_iterator(fs::path(csv).parent_path())) {
    entries.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(std::vector<std::string>{"run1.csv"}, entries);
}

TEST_F(ReportFolder, NoFlagsNoOutput) {
  FakeHost host;
  EXPECT_TRUE(reportTemporalOutliers(host.table(), 4, kOutliers.data(), kSpikes.data(),
                                     reportSettings(false, false), pathIn("run.vtc")));
  EXPECT_TRUE(host.log().empty());
  EXPECT_FALSE(fs::exists(pathIn("run.csv")));
}

TEST_F(ReportFolder, UnusablePathsCannotBeOpened) {
  FakeHost host;
  const AnalysisSettings s = reportSettings(false, true);
  EXPECT_FALSE(reportTemporalOutliers(host.table(), 4, kOutliers.data(), kSpikes.data(), s,
                                      pathIn("no such folder/run.vtc")));
  EXPECT_FALSE(reportTemporalOutliers(host.table(), 4, kOutliers.data(), kSpikes.data(), s, "ab"));
  const std::string tooLong = pathIn(std::string(300, 'a') + ".vtc");
  EXPECT_FALSE(
      reportTemporalOutliers(host.table(), 4, kOutliers.data(), kSpikes.data(), s, tooLong));
  fs::create_directory(pathIn("folder.csv"));
  EXPECT_FALSE(reportTemporalOutliers(host.table(), 4, kOutliers.data(), kSpikes.data(), s,
                                      pathIn("folder.vtc")));
  EXPECT_EQ(std::vector<std::string>(4, "Opening CSV file failed!"), host.log());
}

// A device that is always full and a file-size limit, as POSIX systems have
// them.
#if !defined(_WIN32)
TEST(OutlierCsv, AFullDeviceIsReportedAsFailure) {
  std::ofstream full("/dev/full");
  if (!full) GTEST_SKIP() << "no /dev/full";
  EXPECT_FALSE(
      writeOutlierCsv(full, 4, kOutliers.data(), kSpikes.data(), reportSettings(false, true)));
}

// Reports 100 volumes into a CSV file beside `vtc` while a file-size limit
// of 40 bytes makes the write fail part-way, as a full disk would; the
// limit is restored before it returns.
bool reportUnderFileSizeLimit(FakeHost& host, const std::string& vtc) {
  std::vector<std::int32_t> counts(100, 5);
  rlimit saved{};
  if (getrlimit(RLIMIT_FSIZE, &saved) != 0) return true;  // fails the caller's check
  rlimit small = saved;
  small.rlim_cur = 40;
  const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
  if (setrlimit(RLIMIT_FSIZE, &small) != 0) return true;
  const bool reported = reportTemporalOutliers(host.table(), 100, counts.data(), counts.data(),
                                               reportSettings(false, true), vtc);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, savedHandler);
  return reported;
}

TEST_F(ReportFolder, AFileThatFailsWhileWrittenIsRemoved) {
  FakeHost host;
  const std::string vtc = pathIn("big.vtc");
  const std::string csv = pathIn("big.csv");
  const bool reported = reportUnderFileSizeLimit(host, vtc);

  EXPECT_FALSE(reported);
  EXPECT_FALSE(fs::exists(csv));
  EXPECT_EQ(std::vector<std::string>{"Writing CSV file failed: " + csv}, host.log());
}

TEST_F(ReportFolder, AFailedWriteLeavesThePreviousFileWhole) {
  // The previous run's CSV file outlives a write that fails part-way (the
  // file-size limit stands for a full disk or a host killed mid-write).
  FakeHost host;
  const std::string csv = pathIn("run.csv");
  const std::string previous = "Volume, Outliers (stddev>4), Spikes (stddev:3)\n1,0,0\n";
  { std::ofstream(csv, std::ios::binary) << previous; }
  const bool reported = reportUnderFileSizeLimit(host, pathIn("run.vtc"));

  EXPECT_FALSE(reported);
  EXPECT_EQ(previous, readFile(csv));
  EXPECT_EQ(std::vector<std::string>{"Writing CSV file failed: " + csv}, host.log());
  EXPECT_EQ(1, std::distance(fs::directory_iterator(fs::path(csv).parent_path()),
                             fs::directory_iterator{}))
      << "no temporary file stays";
}

#endif  // !defined(_WIN32)

}  // namespace
