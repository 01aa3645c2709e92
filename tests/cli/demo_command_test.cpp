// The demo, run twice into one temporary folder.
#include <gtest/gtest.h>

#include <algorithm>

#include "cli_test_support.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;

TEST(DemoCommandTest, WritesTheRunAndMapsOnItsGridAndRunsAgain) {
  TempFolder folder;
  for (int pass = 1; pass <= 2; ++pass) {
    CommandResult result =
        runQuorvel({"demo", "--out", "demo", "--settings-dir", "settings"}, folder.path());
    ASSERT_EQ(result.exitStatus, 0) << "pass " << pass << ": " << result.err;
    EXPECT_NE(result.out.find("volumes with spikes:"), std::string::npos);
    // Every file listed is told to a newcomer on the line below it.
    for (std::size_t at = result.out.find("    demo/"); at != std::string::npos;
         at = result.out.find("    demo/", at + 1)) {
      const std::size_t next = result.out.find('\n', at) + 1;
      const std::string below = result.out.substr(next, result.out.find('\n', next) - next);
      EXPECT_NE(below.find_first_not_of(' '), std::string::npos)
          << result.out.substr(at, next - at) << "has no description";
    }
  }
  const fs::path demo = folder.path() / "demo";
  ImagePtr run = loadImage((demo / "sub-demo_task-rest_bold.nii.gz").string());
  ASSERT_TRUE(run);
  EXPECT_EQ(run->datatype, DT_INT16);
  EXPECT_EQ(run->nt, 120);
  for (const char* map : {"sub-demo_task-rest_stat-tsnr_boldmap.nii.gz",
                          "sub-demo_task-rest_desc-ac12_boldmap.nii.gz",
                          "sub-demo_task-rest_desc-maxdev_boldmap.nii.gz"}) {
    ImagePtr image = loadImage((demo / map).string());
    ASSERT_TRUE(image) << map;
    EXPECT_EQ(image->ndim, 3) << map;
    EXPECT_EQ(image->nx, run->nx);
    EXPECT_EQ(image->ny, run->ny);
    EXPECT_EQ(image->nz, run->nz);
    EXPECT_EQ(image->qform_code, run->qform_code);
  }
  for (const char* file :
       {"sub-demo_task-rest_bold.csv", "sub-demo_task-rest_desc-qc_timeseries.tsv",
        "sub-demo_task-rest_desc-qc_timeseries.json", "dataset_description.json"}) {
    EXPECT_TRUE(fs::exists(demo / file)) << file;
  }
  // Each call has a log of its own.
  std::vector<std::string> logs = folderEntries(demo);
  logs.erase(
      std::remove_if(logs.begin(), logs.end(),
                     [](const std::string& name) { return name.rfind("quorvel_log_", 0) != 0; }),
      logs.end());
  EXPECT_EQ(logs.size(), 2u);
  // The built-in spikes show as volumes full of spiking voxels.
  const std::string csv = readFile(demo / "sub-demo_task-rest_bold.csv");
  for (const char* volume : {"\n31,", "\n72,", "\n105,"}) {
    std::size_t at = csv.find(volume);
    ASSERT_NE(at, std::string::npos);
    long outliers = std::stol(csv.substr(csv.find(',', at) + 1));
    EXPECT_GT(outliers, 1000) << volume;
  }
}

}  // namespace
}  // namespace cli_test
