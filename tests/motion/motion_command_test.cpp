// quorvel run on a run with known motion: the confounds columns, the motion
// numbers with the FD threshold asked for, and the option checked first.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/motion/framewise_displacement.h"
#include "cli_test_support.h"
#include "known_motion.h"

namespace {

using quorvel::cli::RigidMotion;

// Column `name` of the TSV `path`, NaN for "n/a".
std::vector<double> tsvColumn(const std::string& path, const std::string& name) {
  std::ifstream in(path);
  std::string line, cell;
  std::getline(in, line);
  std::istringstream header(line);
  int index = -1;
  for (int c = 0; std::getline(header, cell, '\t'); ++c) {
    if (cell == name) index = c;
  }
  std::vector<double> out;
  while (index >= 0 && std::getline(in, line)) {
    std::istringstream row(line);
    for (int c = 0; std::getline(row, cell, '\t'); ++c) {
      if (c == index) out.push_back(cell == "n/a" ? NAN : std::stod(cell));
    }
  }
  return out;
}

TEST(MotionCommand, WritesConfoundsAndCountsAboveTheGivenThreshold) {
  cli_test::TempFolder folder("motion-run");
  const std::string run = folder.file("sub-01_task-rest_bold.nii");
  ASSERT_EQ(
      known_motion::makeRun("--size 40 40 24 --volumes 12 --seed 4", run, folder.file("truth.tsv")),
      0);
  const std::vector<RigidMotion> truth = known_motion::readTruth(folder.file("truth.tsv"));
  const auto trueFd = quorvel::cli::framewiseDisplacement(truth);

  const cli_test::CommandResult refused =
      cli_test::runQuorvel({"run", "--out", "bad", "--fd-threshold", "-1", run}, folder.path());
  EXPECT_EQ(refused.exitStatus, 2);
  EXPECT_NE(refused.err.find("--fd-threshold"), std::string::npos) << refused.err;

  const cli_test::CommandResult done = cli_test::runQuorvel(
      {"run", "--quiet", "--no-report", "--out", "qc", "--fd-threshold", "0.5", run},
      folder.path());
  ASSERT_EQ(done.exitStatus, 0) << done.err;
  const std::string stem = (folder.path() / "qc" / "sub-01_task-rest_desc-qc_").string();
  const std::vector<double> fd = tsvColumn(stem + "timeseries.tsv", "framewise_displacement");
  const std::vector<double> transX = tsvColumn(stem + "timeseries.tsv", "trans_x");
  ASSERT_EQ(fd.size(), truth.size());
  ASSERT_EQ(transX.size(), truth.size());
  EXPECT_TRUE(std::isnan(fd[0]));
  long above = 0;
  for (std::size_t v = 1; v < truth.size(); ++v) {
    EXPECT_NEAR(fd[v], *trueFd[v], 0.05) << v;
    EXPECT_NEAR(transX[v], truth[v].translation[0], 0.05) << v;
    if (*trueFd[v] > 0.5) ++above;
  }
  const auto iqms = nlohmann::json::parse(cli_test::readFile(stem + "iqms.json"));
  EXPECT_EQ(iqms["fd_num"].get<long>(), above);
  EXPECT_EQ(iqms["Parameters"]["FdThreshold"].get<double>(), 0.5);
  const auto units = nlohmann::json::parse(cli_test::readFile(stem + "timeseries.json"));
  EXPECT_EQ(units["rot_z"]["Units"], "rad");
  EXPECT_EQ(units["framewise_displacement"]["Units"], "mm");
}

// The motion shares the IQMs' choice of volumes and voxels: the reference
// is the first volume after the non-steady-state ones, and a given mask is
// the one compared (here a corner outside the head, flat in 16-bit
// samples, so the motion must be missing rather than made up).
TEST(MotionCommand, UsesTheFirstSteadyVolumeAndTheGivenMask) {
  cli_test::TempFolder folder("motion-mask");
  const std::string run = folder.file("sub-01_task-rest_bold.nii");
  ASSERT_EQ(known_motion::makeRun("--size 40 40 24 --volumes 14 --dummies 3 --int16 --seed 6", run,
                                  folder.file("truth.tsv")),
            0);
  cli_test::TestRun corner;
  corner.nx = 40, corner.ny = 40, corner.nz = 24, corner.nt = 1;
  corner.datatype = DT_UINT8;
  corner.samples.assign(std::size_t{40} * 40 * 24, 0.0);
  for (int z = 0; z < 4; ++z) {
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) corner.at(x, y, z, 0) = 1.0;
    }
  }
  cli_test::writeRun(corner, folder.file("corner.nii"));

  const cli_test::CommandResult own =
      cli_test::runQuorvel({"run", "--quiet", "--no-report", "--out", "own", run}, folder.path());
  ASSERT_EQ(own.exitStatus, 0) << own.err;
  const std::string stem = "sub-01_task-rest_desc-qc_";
  const auto iqms =
      nlohmann::json::parse(cli_test::readFile(folder.path() / "own" / (stem + "iqms.json")));
  ASSERT_EQ(iqms["dummy"].get<long>(), 3);
  for (const char* column : {"trans_x", "trans_y", "trans_z", "rot_x", "rot_y", "rot_z"}) {
    const std::vector<double> values =
        tsvColumn((folder.path() / "own" / (stem + "timeseries.tsv")).string(), column);
    ASSERT_EQ(values.size(), 14U) << column;
    EXPECT_EQ(values[3], 0.0) << column << " of the reference volume";
  }

  const cli_test::CommandResult given = cli_test::runQuorvel(
      {"run", "--no-report", "--out", "given", "--mask", "corner.nii", run}, folder.path());
  EXPECT_NE(given.err.find("head motion could not be estimated"), std::string::npos) << given.err;
  const std::vector<double> fd = tsvColumn(
      (folder.path() / "given" / (stem + "timeseries.tsv")).string(), "framewise_displacement");
  ASSERT_EQ(fd.size(), 14U);
  for (double value : fd) EXPECT_TRUE(std::isnan(value));
}

}  // namespace
