// End-to-end tests of `quorvel bids`: the built command over the tests'
// BIDS dataset, as a study would run it.
#include <gtest/gtest.h>

#include <map>

#include <nlohmann/json.hpp>

#include "cli_test_support.h"
#include "test_bids_dataset.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

// Every file under `root` by relative path, with its contents; the logs and
// run pages, which name the folders they were written in, by name only.
std::map<std::string, std::string> tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = entry.path().lexically_relative(root).generic_string();
    const bool namesFolder = relative.find("_log.txt") != std::string::npos ||
                             relative.find("_report.html") != std::string::npos;
    files[relative] = namesFolder ? "" : readFile(entry.path());
  }
  return files;
}

std::size_t count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class BidsCommandTest : public ::testing::Test {
 protected:
  TempFolder folder;
  fs::path study() const { return folder.path() / "study"; }
  void SetUp() override { ASSERT_TRUE(writeTestBidsDataset(study())); }
  CommandResult bids(const std::string& out, std::vector<std::string> more) {
    std::vector<std::string> arguments = {"bids", "study", out};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return runQuorvel(arguments, folder.path());
  }
};

TEST_F(BidsCommandTest, ParallelRunsGiveTheOutputsOfOneAtATimeInTheDerivativesLayout) {
  const CommandResult one = bids("one", {"participant", "-j", "1", "--max-deviation", "3.5"});
  ASSERT_EQ(one.exitStatus, 0) << one.err;
  const CommandResult three = bids("three", {"participant", "-j", "3", "--max-deviation", "3.5"});
  ASSERT_EQ(three.exitStatus, 0) << three.err;
  EXPECT_EQ(count(three.out, ": done, "), 6u) << three.out;
  EXPECT_EQ(tree(folder.path() / "one"), tree(folder.path() / "three"));

  const fs::path out = folder.path() / "one";
  for (const std::string& run : testBidsRuns()) {
    const fs::path runFolder = out / fs::path(run).parent_path();
    const std::string entities = fs::path(run).filename().string().substr(
        0, fs::path(run).filename().string().rfind("_bold"));
    for (const char* suffix : {"_stat-tsnr_boldmap.nii.gz", "_desc-qc_timeseries.tsv",
                               "_desc-qc_iqms.json", "_desc-qc_log.txt"}) {
      EXPECT_TRUE(fs::exists(runFolder / (entities + suffix))) << entities + suffix;
    }
    EXPECT_FALSE(fs::exists(runFolder / "dataset_description.json"));
    const nlohmann::json sidecar =
        nlohmann::json::parse(readFile(runFolder / (entities + "_stat-tsnr_boldmap.json")));
    EXPECT_EQ(sidecar["Sources"], nlohmann::json::array({"bids:raw:" + run}));
    const nlohmann::json iqms =
        nlohmann::json::parse(readFile(runFolder / (entities + "_desc-qc_iqms.json")));
    EXPECT_EQ(iqms["RepetitionTime"], 1.5);
    EXPECT_EQ(iqms["Parameters"]["MaxDeviation"], 3.5);
  }
  EXPECT_FALSE(fs::exists(out / "sub-01/func/sub-01_task-rest_acq-draft_stat-tsnr_boldmap.nii.gz"));
  const nlohmann::json description =
      nlohmann::json::parse(readFile(out / "dataset_description.json"));
  EXPECT_EQ(description["DatasetType"], "derivative");
  EXPECT_EQ(description["GeneratedBy"][0]["Name"], "Quorvel");
  EXPECT_EQ(description["DatasetLinks"]["raw"],
            "file://" + fs::weakly_canonical(study()).generic_string());

  const CommandResult list = bids("one", {"list"});
  EXPECT_EQ(list.exitStatus, 0);
  EXPECT_EQ(list.out, "01\n02\n03\n");
  const CommandResult group = bids("one", {"group"});
  EXPECT_EQ(group.exitStatus, 0) << group.err;
  EXPECT_EQ(count(readFile(out / "group_bold.tsv"), "\n"), 7u);
  EXPECT_NE(group.out.find("sub-03_task-rest_run-2: far from the study in"), std::string::npos)
      << group.out;
}

TEST_F(BidsCommandTest, RunsAreSkippedOnlyWhileTheirOutputsAreCompleteAndNewer) {
  ASSERT_EQ(bids("out", {"participant", "-j", "2"}).exitStatus, 0);
  struct Step {
    const char* what;
    std::function<void()> change;
    std::vector<std::string> arguments;
    std::size_t analysed;
  };
  const fs::path out = folder.path() / "out";
  const Step steps[] = {
      {"nothing changed", [] {}, {}, 0},
      {"a newer run",
       [&] { fs::last_write_time(study() / testBidsRuns()[1], fs::file_time_type::clock::now()); },
       {},
       1},
      {"a newer inherited sidecar",
       [&] {
         fs::last_write_time(study() / "task-motor_bold.json", fs::file_time_type::clock::now());
       },
       {},
       1},
      {"an output removed",
       [&] { fs::remove(out / "sub-02/ses-2/func/sub-02_ses-2_task-rest_desc-qc_iqms.json"); },
       {},
       1},
      {"other options", [] {}, {"--no-autocorrelation"}, 6},
      {"--force", [] {}, {"--no-autocorrelation", "--force"}, 6},
      {"one participant's runs", [] {}, {"--participant-label", "sub-02", "--force"}, 2},
  };
  for (const Step& step : steps) {
    step.change();
    std::vector<std::string> arguments = {"participant"};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const CommandResult result = bids("out", arguments);
    EXPECT_EQ(result.exitStatus, 0) << step.what << "\n" << result.err;
    EXPECT_EQ(count(result.out, ": done, "), step.analysed) << step.what << "\n" << result.out;
  }
}

TEST_F(BidsCommandTest, AFailedRunIsNamedAndTheOthersGoOn) {
  const std::string broken = "sub-02/ses-1/func/sub-02_ses-1_task-rest_bold.nii.gz";
  writeFile(study() / broken, "not a NIfTI file");
  CommandResult result = bids("out", {"participant"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(count(result.out, ": done, "), 5u) << result.out;
  EXPECT_NE(result.out.find(broken + ": FAILED (exit status 2)"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find((fs::path("study") / broken).string() + " failed"), std::string::npos)
      << result.err;
  // Each run's folder is made by its own command as it starts: the failed
  // run, alone in its session, left none, and the run after it made its own.
  EXPECT_FALSE(fs::exists(folder.path() / "out" / "sub-02" / "ses-1"));
  EXPECT_TRUE(fs::is_directory(folder.path() / "out" / "sub-02" / "ses-2"));
  // The failed run is tried again; the others are up to date.
  result = bids("out", {"participant"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(count(result.out, "up to date, skipped"), 5u) << result.out;

  struct Refused {
    std::vector<std::string> arguments;
    const char* message;
  };
  const Refused refusals[] = {
      {{"bids", "absent", "out", "participant"}, "absent: not a folder"},
      {{"bids", "study", "out", "participant", "--participant-label", "07"},
       "no participant sub-07"},
      {{"bids", "study", "out", "participant", "--task-label", "nback"}, "no BOLD run"},
      {{"bids", "study", "out", "participant", "--max-deviation", "-1"}, "max-deviation"},
      {{"bids", "study", "out", "subject"}, "subject"},
  };
  for (const Refused& refused : refusals) {
    result = runQuorvel(refused.arguments, folder.path());
    EXPECT_EQ(result.exitStatus, 2) << refused.message;
    EXPECT_NE(result.err.find(refused.message), std::string::npos) << result.err;
  }
}

TEST_F(BidsCommandTest, OutputsNeverLandInTheRawDatasetOrThroughALink) {
  fs::create_directories(folder.path() / "elsewhere");
  fs::create_directories(folder.path() / "out");
  fs::create_directory_symlink("../elsewhere", folder.path() / "out/sub-02");
  const std::map<std::string, std::string> raw = tree(study());
  struct Refused {
    const char* out;
    const char* message;
  };
  const Refused refusals[] = {
      {"out", "out/sub-02: is a link"},
      {"study", "study: the output folder is the BIDS dataset itself"},
      {"study/sub-01/qc", "is inside the BIDS dataset"},
      {"study/../study/code", "is inside the BIDS dataset"},
  };
  for (const Refused& refused : refusals) {
    const CommandResult result = bids(refused.out, {"participant"});
    EXPECT_EQ(result.exitStatus, 2) << refused.out;
    EXPECT_NE(result.err.find(refused.message), std::string::npos) << result.err;
  }
  EXPECT_EQ(tree(study()), raw);
  EXPECT_EQ(folderEntries(folder.path() / "elsewhere"), std::vector<std::string>{});

  // A run there as .nii and .nii.gz fails, naming both; the others go on.
  const std::string gz = "sub-01/func/sub-01_task-rest_bold.nii.gz";
  fs::copy_file(study() / gz, study() / "sub-01/func/sub-01_task-rest_bold.nii");
  const CommandResult result = bids("derivatives", {"participant", "--participant-label", "01"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.out.find("sub-01_task-rest_bold.nii: FAILED"), std::string::npos) << result.out;
  EXPECT_EQ(count(result.out, ": done, "), 1u) << result.out;
  EXPECT_NE(result.err.find("sub-01_task-rest_bold.nii.gz, which BIDS does not allow"),
            std::string::npos)
      << result.err;
  EXPECT_FALSE(
      fs::exists(folder.path() / "derivatives/sub-01/func/sub-01_task-rest_desc-qc_iqms.json"));
}

}  // namespace
}  // namespace cli_test
