// The group level's rules: BIDS names, the quartile fences, and the table
// collected from IQM files laid out as the participant level writes them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <functional>
#include <set>

#include <nlohmann/json.hpp>

#include "cli/bids/bids_entities.h"
#include "cli/bids/group_table.h"
#include "cli/bids/group_table_files.h"
#include "cli/bids/iqm_columns.h"
#include "cli/bids/robust_fences.h"
#include "cli_test_support.h"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;
using cli_test::readFile;
using cli_test::TempFolder;
using cli_test::writeFile;

TEST(BidsNameTest, SplitsEntitiesAndSuffixAndRefusesOtherNames) {
  const std::optional<BidsName> full = parseBidsName("sub-01_ses-pre_task-rest_run-2_bold");
  ASSERT_TRUE(full);
  EXPECT_EQ(full->suffix, "bold");
  EXPECT_EQ(full->entities.size(), 4u);
  EXPECT_EQ(full->value("ses"), "pre");
  EXPECT_EQ(full->value("acq"), std::nullopt);
  const std::optional<BidsName> noSuffix = parseBidsName("sub-01_task-rest");
  ASSERT_TRUE(noSuffix);
  EXPECT_EQ(noSuffix->suffix, "");
  for (const char* bad : {"bold", "sub-01__bold", "sub-01_task-re-st_bold", "sub-_bold",
                          "sub-01_bold_x", "", "sub-01_task-rest_bo.ld"}) {
    EXPECT_FALSE(parseBidsName(bad)) << bad;
  }
  EXPECT_EQ(bidsStem("sub-01_task-rest_bold.nii.gz"), "sub-01_task-rest_bold");
  std::vector<std::string> keys = {"run", "zzz", "task", "acq", "sub", "echo", "ses", "aaa"};
  sortEntityKeys(keys);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"sub", "ses", "task", "acq", "run", "echo", "aaa", "zzz"}));
}

TEST(RobustFencesTest, QuartilesInterpolateAndFencesNeedFourValues) {
  struct Case {
    std::vector<double> values;
    double q1, q3;
  };
  const Case cases[] = {
      {{8, 1, 7, 2, 6, 3, 5, 4}, 2.75, 6.25},
      {{1, 2, 3, 4}, 1.75, 3.25},
      {{5, 5, 5, 5, 5}, 5, 5},
      {{-1, 10, 0, 0, 0}, 0, 0},
  };
  for (const Case& c : cases) {
    const std::optional<Fences> fences = tukeyFences(c.values);
    ASSERT_TRUE(fences);
    EXPECT_DOUBLE_EQ(fences->q1, c.q1);
    EXPECT_DOUBLE_EQ(fences->q3, c.q3);
    EXPECT_DOUBLE_EQ(fences->lower, c.q1 - 1.5 * (c.q3 - c.q1));
    EXPECT_DOUBLE_EQ(fences->upper, c.q3 + 1.5 * (c.q3 - c.q1));
  }
  EXPECT_FALSE(tukeyFences({1, 2, 3}));
  const Fences fences = *tukeyFences({1, 2, 3, 4});
  EXPECT_FALSE(fences.outside(fences.upper));
  EXPECT_TRUE(fences.outside(std::nextafter(fences.upper, 1e9)));
}

// IQM files in the participant level's layout, and a few that are not.
class GroupTableTest : public ::testing::Test {
 protected:
  TempFolder folder;
  fs::path out() const { return folder.path() / "out"; }

  void writeIqms(const std::string& relative, const nlohmann::json& document) {
    fs::create_directories((out() / relative).parent_path());
    writeFile(out() / relative, document.dump());
  }

  void SetUp() override {
    nlohmann::json base = {{"Run", "x"},
                           {"Volumes", 30},
                           {"RepetitionTime", 2},
                           {"voxels_analysed", 1000},
                           {"tsnr_median", 60.0},
                           {"dvars_mean", 10.5},
                           {"global_signal_mean", nullptr}};
    const double tsnr[] = {60, 62, 58, 61, 59};
    const char* runs[] = {"sub-01/func/sub-01_task-rest",
                          "sub-01/ses-2/func/sub-01_ses-2_task-rest_run-1",
                          "sub-02/ses-1/func/sub-02_ses-1_task-motor_acq-fast",
                          "sub-03/func/sub-03_task-rest", "sub-04/func/sub-04_task-rest"};
    for (int i = 0; i < 5; ++i) {
      nlohmann::json document = base;
      document["tsnr_median"] = tsnr[i];
      writeIqms(std::string(runs[i]) + "_desc-qc_iqms.json", document);
    }
    // Far out, without a DVARS, and with a number the table does not know.
    nlohmann::json far = base;
    far["tsnr_median"] = 12.5;
    far.erase("dvars_mean");
    far["site_score"] = 0.25;
    writeIqms("sub-05/func/sub-05_task-rest_desc-qc_iqms.json", far);
    // Not usable, or outside the layout: never rows.
    writeFile(out() / "sub-04/func/sub-04_task-broken_desc-qc_iqms.json", "{\"tsnr");
    writeIqms("sub-04/anat/sub-04_T1w_desc-qc_iqms.json", base);
    writeIqms("other/func/sub-09_task-rest_desc-qc_iqms.json", base);
  }
};

TEST_F(GroupTableTest, RowsComeFromTheLayoutAndFarNumbersAreFlagged) {
  const GroupTable table = collectGroupTable(out());
  ASSERT_EQ(table.rows.size(), 6u);
  ASSERT_EQ(table.problems.size(), 1u);
  EXPECT_NE(table.problems[0].find("sub-04_task-broken"), std::string::npos);
  EXPECT_EQ(table.entityColumns, (std::vector<std::string>{"sub", "ses", "task", "acq", "run"}));
  EXPECT_EQ(table.rows[1].outputFolder, fs::path("sub-01/ses-2/func"));
  EXPECT_EQ(table.rows[1].entitiesText, "sub-01_ses-2_task-rest_run-1");
  EXPECT_EQ(table.iqmColumns.back(), "site_score");

  const GroupRow& far = table.rows[5];
  EXPECT_EQ(far.entity("sub"), "05");
  EXPECT_EQ(far.flaggedIqms(table.judgedIqms), std::vector<std::string>{"tsnr_median"});
  // A number in the scanner's units is shown but never judged.
  EXPECT_EQ(far.flags.count("dvars_mean"), 0u);
  EXPECT_EQ(table.rows[0].flags.count("dvars_mean"), 0u);
  // Runs are judged within their task and acquisition: the motor run is
  // alone in its own, too few to judge.
  for (std::size_t i : {0, 1, 3, 4}) EXPECT_EQ(table.rows[i].flags.at("tsnr_median"), false);
  EXPECT_EQ(table.rows[2].flags.at("tsnr_median"), std::nullopt);
  EXPECT_EQ(far.flags.at("site_score"), std::nullopt);

  const std::string tsv = groupTableTsv(table);
  std::vector<std::string> lines;
  for (std::size_t start = 0, end; (end = tsv.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(tsv.substr(start, end - start));
  }
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0].rfind("sub\tses\ttask\tacq\trun\tvolumes\trepetition_time\t"
                           "voxels_analysed\tvoxels_analysed_fraction\t",
                           0),
            0u)
      << lines[0];
  EXPECT_EQ(lines[3].rfind("02\t1\tmotor\tfast\tn/a\t30\t2\t1000\tn/a\t", 0), 0u) << lines[3];
  EXPECT_NE(lines[6].find("\t12.5\t"), std::string::npos);
  EXPECT_EQ(lines[6].substr(lines[6].rfind('\t')), "\t1");

  const nlohmann::json dictionary = nlohmann::json::parse(groupDictionaryJson(table));
  for (const char* column :
       {"sub", "acq", "volumes", "tsnr_median", "flag_tsnr_median", "site_score", "flag_count"}) {
    EXPECT_TRUE(dictionary.contains(column)) << column;
  }
  // The fences it gives are those the rows were judged by.
  EXPECT_NE(dictionary["flag_tsnr_median"]["Description"].get<std::string>().find(
                "task-rest: 5 runs, Q1 = 59, Q3 = 61, fences 56 and 64."),
            std::string::npos)
      << dictionary["flag_tsnr_median"]["Description"];
}

TEST_F(GroupTableTest, TheCommandWritesTheTableAndSaysWhatItLeftOut) {
  cli_test::CommandResult result =
      cli_test::runQuorvel({"bids", "absent-bids", "out", "group"}, folder.path());
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  EXPECT_NE(result.err.find("sub-04_task-broken_desc-qc_iqms.json"), std::string::npos);
  EXPECT_NE(result.out.find("sub-05_task-rest: far from the study in tsnr_median"),
            std::string::npos);
  EXPECT_EQ(readFile(out() / "group_bold.tsv"), groupTableTsv(collectGroupTable(out())));
  // Runs are judged within their task: the page draws each task's own
  // fences in its own lane.
  const std::string page = readFile(out() / "group_bold_report.html");
  EXPECT_NE(page.find("<title>fence 56 of task-rest</title>"), std::string::npos);
  EXPECT_NE(page.find("class=\"lane\">task-motor acq-fast</text>"), std::string::npos);

  // Filtered to participants 01 and 02: three runs, too few to judge.
  result = cli_test::runQuorvel(
      {"bids", "absent-bids", "out", "group", "--participant-label", "sub-01", "02"},
      folder.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("3 runs, 0 with"), std::string::npos) << result.out;

  result = cli_test::runQuorvel({"bids", "absent-bids", "empty", "group"}, folder.path());
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("run the participant level first"), std::string::npos);
}

// Runs that do not compare are said to be so: one made with other
// parameters is named in a warning, and one with an empty brain mask is an
// error, a failed level and a flagged row, not a quiet gap.
TEST_F(GroupTableTest, RunsThatDoNotCompareAreNamed) {
  fs::remove(out() / "sub-04/func/sub-04_task-broken_desc-qc_iqms.json");
  nlohmann::json usual = {{"Volumes", 30},
                          {"tsnr_median", 60.0},
                          {"brain_mask_voxels", 900},
                          {"tsnr", 70.0},
                          {"Parameters", {{"MaxDeviation", 4}}}};
  for (const char* run : {"sub-01/func/sub-01_task-rest", "sub-03/func/sub-03_task-rest",
                          "sub-04/func/sub-04_task-rest", "sub-05/func/sub-05_task-rest"}) {
    writeIqms(std::string(run) + "_desc-qc_iqms.json", usual);
  }
  nlohmann::json other = usual;
  other["Parameters"]["MaxDeviation"] = 5;
  writeIqms("sub-06/func/sub-06_task-rest_desc-qc_iqms.json", other);
  nlohmann::json empty = usual;
  empty["brain_mask_voxels"] = 0;
  empty["tsnr"] = nullptr;
  writeIqms("sub-07/func/sub-07_task-rest_desc-qc_iqms.json", empty);

  const cli_test::CommandResult result = cli_test::runQuorvel(
      {"bids", "absent-bids", "out", "group", "--task-label", "rest"}, folder.path());
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  for (const char* said :
       {"warning: sub-06_task-rest was made with other parameters than most runs",
        "sub-07_task-rest_desc-qc_iqms.json: the brain mask is empty"}) {
    EXPECT_NE(result.err.find(said), std::string::npos) << said << " in " << result.err;
  }
  EXPECT_EQ(result.err.find("sub-01_task-rest was made"), std::string::npos) << result.err;
  const GroupTable table = collectGroupTable(out());
  const auto row = std::find_if(table.rows.begin(), table.rows.end(), [](const GroupRow& r) {
    return r.entitiesText == "sub-07_task-rest";
  });
  ASSERT_NE(row, table.rows.end());
  EXPECT_EQ(row->flags.at("brain_mask_voxels"), std::optional<bool>(true));
}

// Entries named like IQM files that are not readable ones: each is left
// out with its name and the reason, without blocking or filling the memory.
TEST_F(GroupTableTest, FilesThatAreNotIqmFilesAreRefusedByName) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"sub-06_task-rest", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       "not a regular file"},
      {"sub-07_task-rest", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
       "not a regular file"},
      {"sub-08_task-rest", [](const fs::path& p) { fs::create_directory(p); },
       "not a regular file"},
      {"sub-09_task-rest",
       [](const fs::path& p) { writeFile(p, "{" + std::string(2 << 20, ' ') + "}"); },
       "larger than 1048576 bytes"},
  };
  for (const Case& c : cases) {
    fs::create_directories(out() / "sub-06/func");
    c.make(out() / "sub-06/func" / (std::string(c.name) + "_desc-qc_iqms.json"));
  }
  const GroupTable table = collectGroupTable(out());
  EXPECT_EQ(table.rows.size(), 6u);
  for (const Case& c : cases) {
    const auto named =
        std::find_if(table.problems.begin(), table.problems.end(),
                     [&](const std::string& p) { return p.find(c.name) != std::string::npos; });
    ASSERT_NE(named, table.problems.end()) << c.name;
    EXPECT_NE(named->find(c.reason), std::string::npos) << *named;
  }
}

// Keys that would break the table's lines or repeat a column never become
// columns; the number of added columns is bounded.
TEST_F(GroupTableTest, OnlyWellFormedDistinctKeysBecomeColumns) {
  nlohmann::json document = {{"Volumes", 30}, {"tsnr_median", 61}, {"fd_mean", 0.5}};
  for (const char* key : {"a\tb", "x\ny", "volumes", "repetition_time", "sub", "flag_count",
                          "flag_fd_mean", "bad key", "\xc3\xa9t\xc3\xa9"}) {
    document[key] = 1;
  }
  for (int i = 0; i < 500; ++i) document["zz_" + std::to_string(1000 + i)] = i;
  writeIqms("sub-06/func/sub-06_task-rest_desc-qc_iqms.json", document);

  const GroupTable table = collectGroupTable(out());
  ASSERT_EQ(table.rows.size(), 7u);
  const std::string tsv = groupTableTsv(table);
  const std::string header = tsv.substr(0, tsv.find('\n'));
  std::vector<std::string> columns;
  for (std::size_t start = 0, end = 0; end != std::string::npos; start = end + 1) {
    end = header.find('\t', start);
    columns.push_back(header.substr(start, end - start));
  }
  std::set<std::string> distinct(columns.begin(), columns.end());
  EXPECT_EQ(distinct.size(), columns.size()) << header;
  EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), 8);
  EXPECT_LE(table.iqmColumns.size(), knownIqmColumns().size() + 64);
  EXPECT_GE(table.iqmColumns.size(), knownIqmColumns().size() + 60);
  EXPECT_TRUE(distinct.count("fd_mean"));
  EXPECT_EQ(std::count(table.iqmColumns.begin(), table.iqmColumns.end(), "sub"), 0);
  ASSERT_FALSE(table.notes.empty());
  EXPECT_NE(table.notes[0].find("sub-06_task-rest_desc-qc_iqms.json"), std::string::npos);
}

}  // namespace
}  // namespace quorvel::cli
