// Finding a BIDS dataset's BOLD runs: .bidsignore patterns, sidecar
// inheritance and the label filters.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <regex>

#include "cli/base/cli_error.h"
#include "cli/bids/bids_ignore.h"
#include "cli/bids/bids_layout.h"
#include "cli/bids/derivatives_description.h"
#include "cli/bids/path_glob.h"
#include "cli/bids/run_record.h"
#include "cli/quality/repetition_time.h"
#include "cli_test_support.h"
#include "test_bids_dataset.h"
#include "tests/support/glob_regex.h"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;
using cli_test::TempFolder;
using cli_test::writeFile;

TEST(BidsIgnoreTest, FollowsTheGitignorePatternRules) {
  const BidsIgnore ignore(
      "# comment\n"
      "*_acq-draft_*\n"
      "/extra/\n"
      "sub-*/ses-9\n"
      "**/scratch/**\n"
      "notes?.txt\r\n"
      "*.tmp\n"
      "!keep.tmp\n");
  struct Case {
    const char* path;
    bool ignored;
  };
  const Case cases[] = {
      {"sub-01/func/sub-01_task-rest_acq-draft_bold.nii.gz", true},
      {"sub-01/func/sub-01_task-rest_bold.nii.gz", false},
      {"extra/sub-01/func/x_bold.nii", true},
      {"sub-01/extra/x_bold.nii", false},  // anchored at the root
      {"sub-02/ses-9/func/sub-02_ses-9_task-a_bold.nii", true},
      {"sub-02/ses-1/func/sub-02_ses-1_task-a_bold.nii", false},
      {"sub-02/ses-1/scratch/a/b.nii", true},
      {"notes1.txt", true},
      {"sub-01/notes12.txt", false},
      {"a/b.tmp", true},
      {"a/keep.tmp", false},
      {"sub-01/func/comment", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ignore.ignores(c.path), c.ignored) << c.path;
  EXPECT_FALSE(BidsIgnore("").ignores("anything"));
}

// Every string of up to `longest` characters from `alphabet`.
std::vector<std::string> allStrings(const std::string& alphabet, std::size_t longest) {
  std::vector<std::string> strings{""};
  for (std::size_t from = 0; from < strings.size(); ++from) {
    if (strings[from].size() == longest) continue;
    for (const char c : alphabet) strings.push_back(strings[from] + c);
  }
  return strings;
}

TEST(PathGlobTest, MatchesWhatTheRegularExpressionOfEveryShortPatternMatches) {
  const std::vector<std::string> paths = allStrings("ab/", 4);
  for (const std::string& pattern : allStrings("a*?/", 6)) {
    for (const bool anchored : {false, true}) {
      const std::regex reference(test_support::globRegex(pattern, anchored));
      const PathGlob glob(pattern, anchored);
      for (const std::string& path : paths) {
        ASSERT_EQ(glob.matches(path), std::regex_match(path, reference))
            << "pattern " << pattern << (anchored ? " (anchored)" : "") << ", path " << path;
      }
    }
  }
}

TEST(BidsIgnoreTest, HostileLinesEndAtOnceWithTheVerdictOfTheirRules) {
  const auto lines = [](int count, auto line) {
    std::string text;
    for (int i = 0; i < count; ++i) text += std::string(line(i)) + "\n";
    return text;
  };
  const std::string name130 = std::string(128, 'a') + "zz";
  struct Case {
    const char* what;
    std::string text, path;
    bool ignored;
  };
  const Case cases[] = {
      {"a 90,000-character line", std::string(90000, 'a') + "\n", std::string(90000, 'a'), true},
      {"a 90,000-character line, another path", std::string(90000, 'x') + "\n", "x", false},
      {"a 90,000-character line of stars", std::string(90000, '*') + "\n", "sub-01/a", true},
      {"*?*?*?*?*?*?zz against 130 characters", "*?*?*?*?*?*?zz\n", name130, true},
      {"the same, without its ending", "*?*?*?*?*?*?zz\n", name130 + "a", false},
      {"**/*?**/*?**/*?**/*?**/*?zz", "**/*?**/*?**/*?**/*?**/*?zz\n", "a/b/" + name130, true},
      {"100,000 lines of \"*\"", lines(100000, [](int) { return "*"; }), "sub-01/a_bold.nii", true},
      {"100,000 lines, the one that takes it back early",
       "*\n" + lines(100000, [](int i) { return "!a" + std::to_string(i) + "_bold.nii"; }),
       "a5_bold.nii", false},
  };
  for (const Case& c : cases) EXPECT_EQ(BidsIgnore(c.text).ignores(c.path), c.ignored) << c.what;
}

TEST(BidsIgnoreTest, AFileThatCannotBeAListOfPatternsIsRefusedByName) {
  TempFolder folder;
  fs::create_directories(folder.path() / "asFolder/.bidsignore");
  fs::create_directories(folder.path() / "asPipe");
  ASSERT_EQ(::mkfifo((folder.path() / "asPipe/.bidsignore").c_str(), 0600), 0);
  for (const char* dataset : {"asFolder", "asPipe"}) {
    try {
      BidsIgnore::ofDataset(folder.path() / dataset);
      ADD_FAILURE() << dataset << ": refused nothing";
    } catch (const CliError& error) {
      EXPECT_NE(
          std::string(error.what()).find(std::string(dataset) + "/.bidsignore: not a regular"),
          std::string::npos)
          << error.what();
    }
  }
  EXPECT_FALSE(BidsIgnore::ofDataset(folder.path()).ignores("a"));
}

TEST(BidsLayoutTest, SidecarsInheritFromTheRootDownAndRunsFollowTheFilters) {
  TempFolder folder;
  const fs::path root = folder.path() / "study";
  ASSERT_TRUE(cli_test::writeTestBidsDataset(root));
  // Sidecars at every level; those of another task, suffix or run do not apply.
  writeFile(root / "sub-02/sub-02_task-rest_bold.json", "{\"RepetitionTime\": 2.5}");
  writeFile(root / "sub-02/ses-2/func/sub-02_ses-2_task-rest_run-3_bold.json",
            "{\"RepetitionTime\": 9}");
  writeFile(root / "sub-02/ses-1/sub-02_ses-1_task-motor_bold.json", "{\"RepetitionTime\": 9}");
  writeFile(root / "sub-02/ses-1/func/sub-02_ses-1_task-rest_sbref.json",
            "{\"RepetitionTime\": 9}");
  // A run named against its folders.
  cli_test::writeRun(cli_test::typicalRun(),
                     (root / "sub-03/func/sub-04_task-rest_bold.nii").string());

  std::vector<std::string> notes;
  const std::vector<BidsRun> all = findBoldRuns(root, {}, notes);
  std::vector<std::string> paths;
  paths.reserve(all.size());
  for (const BidsRun& run : all) paths.push_back(run.relativePath);
  EXPECT_EQ(paths, cli_test::testBidsRuns());
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_NE(notes[0].find("sub-04_task-rest_bold.nii"), std::string::npos);

  const BidsRun& ses1 = all[2];
  EXPECT_EQ(ses1.entitiesText, "sub-02_ses-1_task-rest");
  EXPECT_EQ(ses1.outputFolder, "sub-02/ses-1/func");
  EXPECT_EQ(ses1.sidecars, (std::vector<fs::path>{root / "task-rest_bold.json",
                                                  root / "sub-02/sub-02_task-rest_bold.json"}));
  EXPECT_EQ(ses1.repetitionTime, 2.5);
  const BidsRun& ses2 = all[3];
  EXPECT_EQ(ses2.sidecars.back(), root / "sub-02/ses-2/func/sub-02_ses-2_task-rest_bold.json");
  EXPECT_EQ(ses2.repetitionTime, 1.5);
  EXPECT_EQ(all[0].repetitionTime, 1.5);

  struct Selection {
    RunFilter filter;
    std::size_t runs;
  };
  const Selection selections[] = {
      {{{"02"}, {}, {}}, 2},    {{{"01", "03"}, {}, {"rest"}}, 3}, {{{}, {"2"}, {}}, 1},
      {{{}, {}, {"motor"}}, 1}, {{{"01"}, {"1"}, {}}, 0},
  };
  for (const Selection& selection : selections) {
    std::vector<std::string> ignored;
    EXPECT_EQ(findBoldRuns(root, selection.filter, ignored).size(), selection.runs);
  }
}

// A sidecar's impossible or unreadable RepetitionTime is left out, with a
// note naming the sidecar once however many runs inherit it, by the BIDS
// layer and by `run` alike; the next more general sidecar's then holds.
TEST(BidsLayoutTest, ImpossibleSidecarTimesAreNotedOnceAndLeftOut) {
  struct Case {
    std::string text;
    const char* note;
  };
  const Case cases[] = {
      {"{\"RepetitionTime\": -2.5}", "-2.5 is not a positive number"},
      {"{\"RepetitionTime\": 0}", "0 is not a positive number"},
      {"{\"RepetitionTime\": -0.0}", "0 is not a positive number"},
      {"{\"RepetitionTime\": 1e-320}", "s is not a possible"},
      {"{\"RepetitionTime\": -1e308}", "-1e+308 is not a positive"},
      {"{\"RepetitionTime\": 1e308}", "1e+308 s is not a possible"},
      {"{\"RepetitionTime\": \"2\"}", "not a number"},
      {"{\"RepetitionTime\": 2, \"x\": \"" + std::string(2 << 20, 'x') + "\"}", "too large"},
  };
  for (const Case& c : cases) {
    TempFolder folder;
    const fs::path root = folder.path() / "study";
    ASSERT_TRUE(cli_test::writeTestBidsDataset(root));
    // The root's sidecar of every rest run, under a more general one.
    writeFile(root / "bold.json", "{\"RepetitionTime\": 2}");
    writeFile(root / "task-rest_bold.json", c.text);
    std::vector<std::string> notes;
    const std::vector<BidsRun> runs = findBoldRuns(root, {}, notes);
    ASSERT_EQ(runs.size(), 6u);
    EXPECT_EQ(runs[1].repetitionTime, 2.0) << c.text.substr(0, 40);
    EXPECT_EQ(runs[0].repetitionTime, 1.5);  // the motor run's own
    ASSERT_EQ(notes.size(), 1u) << c.text.substr(0, 40);
    EXPECT_EQ(notes[0].rfind((root / "task-rest_bold.json").string() + ": ", 0), 0u) << notes[0];
    EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];

    // `run` says the same of the same file beside a run, and keeps the header's.
    const std::string run = (folder.path() / "task-rest_bold.nii").string();
    std::vector<std::string> warnings;
    fs::copy_file(root / "task-rest_bold.json", folder.path() / "task-rest_bold.json");
    EXPECT_EQ(repetitionTimeOf(run, 3.0, NIFTI_UNITS_SEC, warnings), 3.0);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0],
              (folder.path() / notes[0].substr(notes[0].find("task-rest_bold.json"))).string());
  }
}

// One run in two files (.nii and .nii.gz) is one run that cannot be
// analysed: neither file would know which outputs are its own.
TEST(BidsLayoutTest, ARunInTwoFilesIsOneRunWithAProblem) {
  TempFolder folder;
  const fs::path root = folder.path() / "study";
  ASSERT_TRUE(cli_test::writeTestBidsDataset(root));
  const fs::path gz = root / "sub-01/func/sub-01_task-rest_bold.nii.gz";
  cli_test::writeRun(cli_test::typicalRun(), gz.string().substr(0, gz.string().size() - 3));
  std::vector<std::string> notes;
  const std::vector<BidsRun> runs = findBoldRuns(root, {}, notes);
  ASSERT_EQ(runs.size(), 6u);
  EXPECT_EQ(runs[1].relativePath, "sub-01/func/sub-01_task-rest_bold.nii");
  EXPECT_NE(runs[1].problem.find("sub-01_task-rest_bold.nii.gz"), std::string::npos);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    EXPECT_EQ(runs[i].problem.empty(), i != 1) << runs[i].relativePath;
  }
}

TEST(BidsLayoutTest, TheLinkToTheDatasetIsAValidUri) {
  const std::pair<const char*, const char*> cases[] = {
      {"/data/study", "file:///data/study"},
      {"/data/my study#2/50%?", "file:///data/my%20study%232/50%25%3F"},
      {"/data/\xc3\xa9t\xc3\xa9\n(1)", "file:///data/%C3%A9t%C3%A9%0A(1)"},
  };
  for (const auto& [dataset, uri] : cases) {
    EXPECT_EQ(sourceDatasetLink(dataset, "/elsewhere/out"), uri);
  }
  EXPECT_EQ(sourceDatasetLink("/data/a b", "/data/a b/derivatives/q"), "../..");
}

TEST(RunRecordTest, OnlyAPlainFileOfARecordsSizeCanMakeARunUpToDate) {
  TempFolder folder;
  const fs::path input = folder.path() / "run_bold.nii";
  writeFile(input, "samples");
  const fs::path output = folder.path() / "run_iqms.json";
  const RunRecord record{"run_bold.nii", {"--no-csv"}, {"run_iqms.json"}};
  const fs::path recordFile = folder.path() / runRecordName("run");
  writeFile(output, "{}");
  fs::last_write_time(output, fs::last_write_time(input) + std::chrono::seconds(5));
  // The record as written, and then as what else may be found at its name:
  // a FIFO (which a plain read would wait on forever) and a huge file.
  writeFile(recordFile, runRecordJson(record));
  EXPECT_TRUE(isUpToDate(recordFile, record, {input}));
  fs::remove(recordFile);
  ASSERT_EQ(::mkfifo(recordFile.c_str(), 0600), 0);
  EXPECT_FALSE(isUpToDate(recordFile, record, {input}));
  fs::remove(recordFile);
  writeFile(recordFile, runRecordJson(record) + std::string(std::size_t{2} << 20, ' '));
  EXPECT_FALSE(isUpToDate(recordFile, record, {input}));
}

}  // namespace
}  // namespace quorvel::cli
