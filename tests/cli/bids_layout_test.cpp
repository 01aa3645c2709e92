// Finding a BIDS dataset's BOLD runs: .bidsignore patterns, sidecar
// inheritance and the label filters.
#include <gtest/gtest.h>

#include "cli/bids/bids_ignore.h"
#include "cli/bids/bids_layout.h"
#include "cli_test_support.h"
#include "test_bids_dataset.h"

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

}  // namespace
}  // namespace quorvel::cli
