// End-to-end tests of `quorvel run`: the built command, the real plug-in
// library and the simulated host, on small runs written in the test.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <future>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "cli_test_support.h"
#include "generated_head_run.h"
#include "nifti_bytes.h"
#include "tests/analysis/reference_statistics.h"

namespace cli_test {
namespace {

namespace fs = std::filesystem;
using quorvel::cli::HeadRun;
using quorvel::cli::HeadRunRecipe;
using quorvel::cli::makeHeadRun;

// The plug-in's per-voxel results, from the analysis tests' independent
// reference.
struct VoxelExpectation {
  float tsnr = 0;
  float maxDeviation = 0;
};

struct Expected {
  std::vector<VoxelExpectation> voxels;  // x fastest
  std::vector<long> outliers, spikes;    // per volume
};

Expected recompute(const TestRun& run, float maxDeviation, float spikeDef, double slope = 1.0,
                   double inter = 0.0) {
  Expected expected;
  expected.outliers.assign(run.nt, 0);
  expected.spikes.assign(run.nt, 0);
  for (int z = 0; z < run.nz; ++z)
    for (int y = 0; y < run.ny; ++y)
      for (int x = 0; x < run.nx; ++x) {
        std::vector<float> s;
        for (double v : run.course(x, y, z)) s.push_back(static_cast<float>(v * slope + inter));
        const quorvel_test::RefVoxel voxel = quorvel_test::refVoxel(s, maxDeviation, spikeDef);
        for (int v = 0; v < run.nt; ++v) {
          expected.outliers[v] += voxel.outliers[v];
          expected.spikes[v] += voxel.spikes[v];
        }
        expected.voxels.push_back(VoxelExpectation{voxel.tsnr, voxel.largestDeviation});
      }
  return expected;
}

std::string expectedCsv(const Expected& e, const std::string& header) {
  std::string text = header + "\n";
  for (std::size_t v = 0; v < e.outliers.size(); ++v) {
    text += std::to_string(v + 1) + "," + std::to_string(e.outliers[v]) + "," +
            std::to_string(e.spikes[v]) + "\n";
  }
  return text;
}

std::vector<float> mapValues(const std::string& path) {
  ImagePtr image = loadImage(path);
  if (!image) return {};
  const float* data = static_cast<const float*>(image->data);
  return std::vector<float>(data, data + image->nvox);
}

// This call's log in `folder`: the one file named quorvel_log_*.txt.
fs::path callLog(const fs::path& folder) {
  fs::path found;
  for (const std::string& name : folderEntries(folder)) {
    if (name.rfind("quorvel_log_", 0) == 0) {
      EXPECT_TRUE(found.empty()) << "a second log " << name;
      found = folder / name;
    }
  }
  EXPECT_FALSE(found.empty()) << "no log in " << folder;
  return found;
}

class RunCommandTest : public ::testing::Test {
 protected:
  TempFolder folder;
  fs::path out() const { return folder.path() / "qc"; }
  std::string settingsDir() const { return folder.file("settings"); }
};

TEST_F(RunCommandTest, MapsCountsAndLogAgreeWithAnIndependentComputation) {
  TestRun run = typicalRun();
  writeRun(run, folder.file("sub-01_task-rest_bold.nii.gz"));
  writeFile(folder.path() / "sub-01_task-rest_bold.json", "{\"RepetitionTime\": 2}");
  CommandResult result = runQuorvel(
      {"run", "--out", "qc", "--settings-dir", "settings", "sub-01_task-rest_bold.nii.gz"},
      folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const Expected expected = recompute(run, 4.0f, 3.0f);
  ASSERT_GT(expected.spikes[12], 0) << "the test run must hold a spike";

  // The maps lie on the run's grid and affine, as float32.
  const std::string tsnrPath = (out() / "sub-01_task-rest_stat-tsnr_boldmap.nii.gz").string();
  ImagePtr tsnr = loadImage(tsnrPath);
  ImagePtr source = loadImage(folder.file("sub-01_task-rest_bold.nii.gz"));
  ASSERT_TRUE(tsnr && source);
  EXPECT_EQ(tsnr->ndim, 3);
  EXPECT_EQ(tsnr->nx, run.nx);
  EXPECT_EQ(tsnr->ny, run.ny);
  EXPECT_EQ(tsnr->nz, run.nz);
  EXPECT_EQ(tsnr->datatype, DT_FLOAT32);
  EXPECT_EQ(tsnr->sform_code, source->sform_code);
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(tsnr->sto_xyz.m[r][c], source->sto_xyz.m[r][c], 1e-5);
  EXPECT_DOUBLE_EQ(tsnr->dz, 2.5);

  const std::vector<float> tsnrValues = mapValues(tsnrPath);
  const std::vector<float> maxdevValues =
      mapValues((out() / "sub-01_task-rest_desc-maxdev_boldmap.nii.gz").string());
  ASSERT_EQ(tsnrValues.size(), expected.voxels.size());
  ASSERT_EQ(maxdevValues.size(), expected.voxels.size());
  for (std::size_t i = 0; i < expected.voxels.size(); ++i) {
    EXPECT_EQ(tsnrValues[i], expected.voxels[i].tsnr) << "voxel " << i;
    EXPECT_EQ(maxdevValues[i], expected.voxels[i].maxDeviation) << "voxel " << i;
  }
  EXPECT_EQ(tsnrValues[3], 0.0f) << "voxel (0,1,0) is background";
  EXPECT_TRUE(fs::exists(out() / "sub-01_task-rest_desc-ac12_boldmap.nii.gz"));

  // The plug-in's CSV, beside the host's VTC path in the output folder.
  EXPECT_EQ(readFile(out() / "sub-01_task-rest_bold.csv"),
            expectedCsv(expected, "Volume, Outliers (stddev>4), Spikes (stddev:3)"));
  const std::string tsv = readFile(out() / "sub-01_task-rest_desc-qc_timeseries.tsv");
  EXPECT_EQ(tsv.substr(0, tsv.find('\n')),
            "outlier_count\tspike_count\toutlier_fraction\tdvars\tstd_dvars\tglobal_signal\t"
            "non_steady_state\taor\taqi\t"
            "trans_x\ttrans_y\ttrans_z\trot_x\trot_y\trot_z\tframewise_displacement");
  EXPECT_NE(tsv.find("\n" + std::to_string(expected.outliers[12]) + "\t" +
                     std::to_string(expected.spikes[12]) + "\t"),
            std::string::npos);
  // The run's quality numbers: 11 of 12 voxels analysed, the repetition
  // time from the sidecar beside the run.
  const std::string iqms = readFile(out() / "sub-01_task-rest_desc-qc_iqms.json");
  for (const char* part :
       {"\"Run\": \"sub-01_task-rest_bold.nii.gz\"", "\"Volumes\": 30", "\"RepetitionTime\": 2.0",
        "\"MaxDeviation\": 4.0", "\"voxels_analysed\": 11"}) {
    EXPECT_NE(iqms.find(part), std::string::npos) << part << " in " << iqms;
  }
  const std::string tsvSidecar = readFile(out() / "sub-01_task-rest_desc-qc_timeseries.json");
  EXPECT_NE(tsvSidecar.find("\"SamplingFrequency\": \"TR\""), std::string::npos);
  const std::string mapSidecar = readFile(out() / "sub-01_task-rest_stat-tsnr_boldmap.json");
  EXPECT_NE(mapSidecar.find("\"Name\": \"TSNR of sub-01_task-rest_bold.nii.gz\""),
            std::string::npos);
  EXPECT_NE(mapSidecar.find("\"Lower\": 40.0"), std::string::npos);
  EXPECT_NE(readFile(out() / "dataset_description.json").find("GeneratedBy"), std::string::npos);

  // The log goes to standard output and to the log file, line for line.
  EXPECT_NE(result.out.find("Successfully loaded qc/sub-01_task-rest_bold.vtc\n"),
            std::string::npos);
  EXPECT_NE(result.out.find("Plugin Successfully completed\n"), std::string::npos);
  // The log file opens with what ran and every parameter used.
  const std::string log = readFile(callLog(out()));
  EXPECT_EQ(log.rfind("quorvel run: 1 run\nRun: sub-01_task-rest_bold.nii.gz\n", 0), 0u) << log;
  EXPECT_NE(log.find("\nParameters: MaxDeviation=4.0 SpikeDef=3.0 CreateTSNRMap=true"),
            std::string::npos);
  // The per-volume table is in the log, and on standard output only when
  // asked for; the output ends with one summary line per run.
  EXPECT_NE(log.find("\nVolume  13:     1, of which     1 spikes\n"), std::string::npos);
  EXPECT_EQ(result.out.find("Volume  13:"), std::string::npos) << result.out;
  EXPECT_NE(log.find("\nPlugin Successfully completed\n"), std::string::npos);
  EXPECT_NE(result.out.find("\nsub-01_task-rest_bold: 30 volumes, 11 voxels analysed (92%), "
                            "median TSNR "),
            std::string::npos)
      << result.out;
  CommandResult quiet =
      runQuorvel({"run", "--out", "qc", "-q", "sub-01_task-rest_bold.nii.gz"}, folder.path());
  ASSERT_EQ(quiet.exitStatus, 0) << quiet.err;
  EXPECT_EQ(quiet.err, "");
  EXPECT_EQ(quiet.out.rfind("sub-01_task-rest_bold: 30 volumes, 11 voxels analysed", 0), 0u);
  EXPECT_EQ(std::count(quiet.out.begin(), quiet.out.end(), '\n'), 1) << quiet.out;
  CommandResult table = runQuorvel(
      {"run", "--out", "qc", "--show-table", "sub-01_task-rest_bold.nii.gz"}, folder.path());
  EXPECT_NE(table.out.find("\nVolume  13:     1, of which     1 spikes\n"), std::string::npos);

  // No temporary file is left behind.
  for (const std::string& name : folderEntries(out())) {
    EXPECT_EQ(name.find(".quorvel-tmp"), std::string::npos) << name;
  }
}

TEST_F(RunCommandTest, ScaledSamplesBecomeFloatsBeforeTheAnalysis) {
  // Raw means near 50 are background unscaled, and near 1000 once scaled.
  TestRun run = typicalRun(2, 2, 1, 20);
  for (double& v : run.samples) v = std::round(v / 5.0) * 0.25;
  run.datatype = DT_FLOAT32;
  run.sclSlope = 20.0;
  run.sclInter = 3.0;
  run.nifti2 = true;
  writeRun(run, folder.file("scaled.nii"));
  CommandResult result = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--no-autocorrelation", "scaled.nii"},
      folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const Expected expected = recompute(run, 4.0f, 3.0f, 20.0, 3.0);
  const std::vector<float> tsnr = mapValues((out() / "scaled_stat-tsnr_boldmap.nii.gz").string());
  ASSERT_EQ(tsnr.size(), 4u);
  EXPECT_GT(tsnr[0], 0.0f);
  for (std::size_t i = 0; i < tsnr.size(); ++i) EXPECT_EQ(tsnr[i], expected.voxels[i].tsnr);
  EXPECT_FALSE(fs::exists(out() / "scaled_desc-ac12_boldmap.nii.gz"));
  EXPECT_TRUE(fs::exists(out() / "scaled.csv"));
  ImagePtr map = loadImage((out() / "scaled_stat-tsnr_boldmap.nii.gz").string());
  ASSERT_TRUE(map);
  EXPECT_EQ(map->nifti_type, NIFTI_FTYPE_NIFTI1_1) << "maps are NIfTI-1 for every run";
  EXPECT_DOUBLE_EQ(map->dz, 2.5);
}

TEST_F(RunCommandTest, AGivenMaskIsCheckedThenUsedAndWrittenBesideTheIqms) {
  writeRun(typicalRun(4, 4, 3, 30), folder.file("sub-01_task-rest_bold.nii"));
  // A mask of the left half of the grid, and one on another grid.
  TestRun mask = typicalRun(4, 4, 3, 1);
  for (int z = 0; z < 3; ++z) {
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 4; ++x) mask.at(x, y, z, 0) = x < 2 ? 1 : 0;
    }
  }
  writeRun(mask, folder.file("mask.nii"));
  writeRun(typicalRun(3, 4, 3, 1), folder.file("other.nii"));

  CommandResult refused = runQuorvel(
      {"run", "-o", "qc", "--mask", "other.nii", "sub-01_task-rest_bold.nii"}, folder.path());
  EXPECT_EQ(refused.exitStatus, 2);
  EXPECT_NE(refused.err.find("--mask other.nii: its grid of 3 x 4 x 3 voxels differs"),
            std::string::npos)
      << refused.err;
  EXPECT_FALSE(fs::exists(out() / "sub-01_task-rest_desc-qc_iqms.json"));

  CommandResult result = runQuorvel(
      {"run", "-o", "qc", "--mask", "mask.nii", "sub-01_task-rest_bold.nii"}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const std::string iqms = readFile(out() / "sub-01_task-rest_desc-qc_iqms.json");
  for (const char* part : {"\"brain_mask\": \"given\"", "\"brain_mask_voxels\": 24", "\"dummy\": 0",
                           "\"aor\": ", "\"summary_bg_n\": "}) {
    EXPECT_NE(iqms.find(part), std::string::npos) << part << " in " << iqms;
  }
  ImagePtr written = loadImage((out() / "sub-01_task-rest_desc-brain_mask.nii.gz").string());
  ASSERT_TRUE(written);
  ASSERT_EQ(written->datatype, DT_UINT8);
  ASSERT_EQ(written->nvox, 48);
  const auto* inside = static_cast<const std::uint8_t*>(written->data);
  for (std::size_t voxel = 0; voxel < 48; ++voxel) EXPECT_EQ(inside[voxel], voxel % 4 < 2) << voxel;
}

// The page's hover values of the trace labelled `label`, NaN for null.
std::vector<double> hoverValues(const std::string& page, const std::string& label) {
  const std::string opening = "id=\"timeline-data\">";
  const std::string::size_type from = page.find(opening) + opening.size();
  const auto data = nlohmann::json::parse(page.substr(from, page.find("</script>", from) - from));
  std::vector<double> values;
  for (const auto& trace : data["traces"]) {
    if (trace["label"] != label) continue;
    for (const auto& value : trace["values"]) {
      values.push_back(value.is_null() ? NAN : value.get<double>());
    }
  }
  return values;
}

TEST_F(RunCommandTest, ThePagesTracesShowEveryVolumeAndLeaveOutTheNonSteadyOnes) {
  HeadRunRecipe recipe;
  recipe.volumes = 40;
  recipe.dummies = 3;
  recipe.spikeVolumes = {20};
  const HeadRun head = makeHeadRun(recipe);
  TestRun run;
  run.nx = static_cast<int>(head.grid.nx);
  run.ny = static_cast<int>(head.grid.ny);
  run.nz = static_cast<int>(head.grid.nz);
  run.nt = static_cast<int>(recipe.volumes);
  run.datatype = DT_FLOAT32;
  run.samples.resize(head.samples.size());
  const std::size_t voxels = head.grid.voxels();
  for (std::size_t i = 0; i < head.samples.size(); ++i) {
    run.samples[(i % recipe.volumes) * voxels + i / recipe.volumes] = head.samples[i];
  }
  writeRun(run, folder.file("head_bold.nii"));
  ASSERT_EQ(runQuorvel({"run", "-o", "qc", "head_bold.nii"}, folder.path()).exitStatus, 0);
  const std::string page = readFile(out() / "head_bold_desc-qc_report.html");

  const std::vector<double> aor = hoverValues(page, "Outlier fraction in the brain mask (aor)");
  ASSERT_EQ(aor.size(), recipe.volumes);
  for (std::size_t v = 0; v < recipe.volumes; ++v) {
    EXPECT_EQ(std::isnan(aor[v]), v < recipe.dummies) << v;
    EXPECT_EQ(aor[v] > 0.5, v == 20) << v << ": " << aor[v];
  }
  for (const char* label : {"Framewise displacement (mm)", "Rotation about z (degrees)",
                            "The plug-in's spike voxels (a per-voxel count)",
                            "Global signal (mean of the plug-in's analysed voxels)"}) {
    const std::vector<double> values = hoverValues(page, label);
    ASSERT_EQ(values.size(), recipe.volumes) << label;
    EXPECT_FALSE(std::isnan(values.back())) << label;
  }
}

TEST_F(RunCommandTest, ARunBelowTheIntensityFloorIsWarnedAboutAndScaleLiftsIt) {
  // Percent-signal-like values near 10: the plug-in sees only background.
  TestRun run = typicalRun();
  for (double& v : run.samples) v = static_cast<float>(v * 0.01);  // as the file holds them
  run.datatype = DT_FLOAT32;
  writeRun(run, folder.file("low_bold.nii"));
  CommandResult low = runQuorvel({"run", "-o", "qc", "low_bold.nii"}, folder.path());
  ASSERT_EQ(low.exitStatus, 0) << low.err;
  const std::string warning =
      "low_bold.nii: no voxel has a mean above 100. The plug-in "
      "analyses only voxels whose mean exceeds 100";
  EXPECT_NE(low.err.find(warning), std::string::npos) << low.err;
  EXPECT_NE(readFile(callLog(out())).find("Warning: " + warning), std::string::npos);
  const std::string lowIqms = readFile(out() / "low_bold_desc-qc_iqms.json");
  EXPECT_NE(lowIqms.find("\"" + warning), std::string::npos) << lowIqms;
  EXPECT_NE(lowIqms.find("\"voxels_analysed\": 0,"), std::string::npos);

  fs::remove_all(out());
  CommandResult scaled =
      runQuorvel({"run", "-o", "qc", "--scale", "100", "low_bold.nii"}, folder.path());
  ASSERT_EQ(scaled.exitStatus, 0) << scaled.err;
  EXPECT_EQ(scaled.err.find("mean above 100"), std::string::npos) << scaled.err;
  const std::string iqms = readFile(out() / "low_bold_desc-qc_iqms.json");
  EXPECT_NE(iqms.find("\"Scale\": 100.0,"), std::string::npos) << iqms;
  EXPECT_NE(iqms.find("\"voxels_analysed\": 11,"), std::string::npos) << iqms;
  // The plug-in analysed the scaled samples: its TSNR is that of the
  // unscaled run, up to float rounding.
  const Expected expected = recompute(run, 4.0f, 3.0f, 100.0);
  const std::vector<float> tsnr = mapValues((out() / "low_bold_stat-tsnr_boldmap.nii.gz").string());
  ASSERT_EQ(tsnr.size(), expected.voxels.size());
  for (std::size_t i = 0; i < tsnr.size(); ++i) EXPECT_EQ(tsnr[i], expected.voxels[i].tsnr) << i;
}

TEST_F(RunCommandTest, SettingsPersistThroughTheGuiScriptAcrossRuns) {
  writeRun(typicalRun(), folder.file("a_bold.nii.gz"));
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  const std::string installed =
      readFile(fs::path(QUORVEL_EXECUTABLE).parent_path() / "Quorvel1_0.js");

  CommandResult first = runQuorvel({"run", "-o", "qc", "--settings-dir", "settings",
                                    "--max-deviation", "3.5", "--no-csv", "a_bold.nii.gz"},
                                   folder.path());
  ASSERT_EQ(first.exitStatus, 0) << first.err;
  const std::string saved = readFile(script);
  EXPECT_NE(saved.find("    dlg.parameters.max_deviation.value = 3.5;"), std::string::npos);
  EXPECT_NE(saved.find("    dlg.temporal.create_temporal_outlier_file.checked = 0;"),
            std::string::npos);
  EXPECT_NE(first.err.find("settings/Quorvel1_0.js"), std::string::npos)
      << "says where the settings live";
  // Without the CSV the counts come from the log table.
  EXPECT_FALSE(fs::exists(out() / "a_bold.csv"));
  EXPECT_TRUE(fs::exists(out() / "a_bold_desc-qc_timeseries.tsv"));

  CommandResult second = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--csv", "a_bold.nii.gz"}, folder.path());
  ASSERT_EQ(second.exitStatus, 0) << second.err;
  EXPECT_NE(second.out.find("| Maximum Deviation: 3.5                    |"), std::string::npos);
  EXPECT_EQ(readFile(out() / "a_bold.csv").substr(0, 46),
            "Volume, Outliers (stddev>3.5), Spikes (stddev:");
  EXPECT_EQ(readFile(fs::path(QUORVEL_EXECUTABLE).parent_path() / "Quorvel1_0.js"), installed)
      << "the installed script is never written";
}

TEST_F(RunCommandTest, APlainCallGetsTheDefaultsWhateverRanBefore) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  const std::vector<std::vector<std::string>> earlier = {
      {"--no-csv", "--no-log-table", "--max-deviation", "3.5"},
      {"--settings-dir", "settings", "--no-csv", "--no-log-table", "--max-deviation", "3.5"},
  };
  for (const std::vector<std::string>& options : earlier) {
    std::vector<std::string> arguments = {"run", "-o", "qc"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("a_bold.nii");
    ASSERT_EQ(runQuorvel(arguments, folder.path()).exitStatus, 0);
    fs::remove_all(out());
    CommandResult plain = runQuorvel({"run", "-o", "qc", "a_bold.nii"}, folder.path());
    ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    EXPECT_EQ(readFile(out() / "a_bold.csv").substr(0, 46),
              "Volume, Outliers (stddev>4), Spikes (stddev:3)");
    EXPECT_NE(readFile(out() / "a_bold_desc-qc_timeseries.tsv").find("\n0\t0\t"), std::string::npos)
        << "counts again";
    EXPECT_EQ(plain.err.find("settings are read from"), std::string::npos) << plain.err;
  }
  EXPECT_FALSE(fs::exists(folder.path() / ".config")) << "nothing kept per user";
}

// Threads only share the work: one, two and three (each map written on a
// thread of its own) give the same files, byte for byte, for an int16 and
// a float run analysed in one call.
TEST_F(RunCommandTest, OneThreadTwoAndThreeWriteTheSameOutputs) {
  TestRun floats = typicalRun(4, 3, 2, 40);
  floats.datatype = DT_FLOAT32;
  floats.at(2, 1, 1, 7) = std::nan("");
  std::map<std::string, std::map<std::string, std::string>> outputs;
  for (const std::string jobs : {"1", "2", "3"}) {
    const fs::path work = folder.path() / ("j" + jobs);
    fs::create_directories(work);
    writeRun(typicalRun(4, 3, 2, 40), (work / "a_bold.nii").string());
    writeRun(floats, (work / "b_bold.nii.gz").string());
    // A settings folder of the same name: the page quotes the log, which
    // names it.
    CommandResult result = runQuorvel({"run", "-o", "qc", "-j", jobs, "--log-name", "log.txt",
                                       "--settings-dir", "settings", "a_bold.nii", "b_bold.nii.gz"},
                                      work);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    for (const std::string& name : folderEntries(work / "qc")) {
      outputs[jobs][name] = readFile(work / "qc" / name);
    }
  }
  ASSERT_GE(outputs["1"].size(), 20u);
  for (const std::string jobs : {"2", "3"}) {
    for (const auto& [name, text] : outputs["1"]) {
      if (name == "log.txt") continue;  // holds the plug-in's times
      EXPECT_TRUE(outputs[jobs].count(name) != 0 && outputs[jobs][name] == text)
          << name << " at -j " << jobs;
    }
    EXPECT_EQ(outputs["1"].size(), outputs[jobs].size());
  }
}

TEST_F(RunCommandTest, MdmRunsReachThePluginThroughAddMdm) {
  fs::create_directories(folder.path() / "data");
  writeRun(typicalRun(), folder.file("data/r1_bold.nii.gz"));
  writeRun(typicalRun(), folder.file("data/r2_bold.nii.gz"));
  writeFile(folder.path() / "data" / "design.mdm",
            "FileVersion: 3\nTypeOfFunctionalData: VTC\nNrOfStudies: 2\n"
            "\"r1_bold.nii.gz\" \"r1.sdm\"\n\"r2_bold.nii.gz\" \"r2.sdm\"\n");
  CommandResult result = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--mdm", "data/design.mdm"}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("Plugin>  Command received: AddMDM"), std::string::npos);
  EXPECT_NE(result.out.find("Plugin>  2 files found in list:"), std::string::npos);
  EXPECT_TRUE(fs::exists(out() / "r1_bold.csv"));
  EXPECT_TRUE(fs::exists(out() / "r2_bold.csv"));
  EXPECT_TRUE(fs::exists(out() / "r2_bold_stat-tsnr_boldmap.nii.gz"));
  EXPECT_NE(result.err.find("\n[1/2] r1_bold: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("\n[2/2] r2_bold: "), std::string::npos) << result.err;
  EXPECT_NE(result.err.find(" s, 1 outlier volume\n"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(folder.path() / "data" / "r1_bold.csv")) << "nothing beside the input";
}

// The installed GUI script with one statement's value replaced.
std::string installedScriptWith(const std::string& statement, const std::string& value) {
  std::string script = readFile(fs::path(QUORVEL_EXECUTABLE).parent_path() / "Quorvel1_0.js");
  const std::string::size_type at = script.find(statement + " = ");
  if (at == std::string::npos) return script;
  const std::string::size_type start = at + statement.size() + 3;
  return script.replace(start, script.find(';', start) - start, value);
}

// Files written past this size fail with EFBIG instead of ending the process.
constexpr const char kFileSizeLimit[] = "trap '' XFSZ; ulimit -f 32; ";

TEST_F(RunCommandTest, PluginFailureExitsOneAndWritesNoMaps) {
  // 3000 volumes give a CSV file beyond the file-size limit; the log stays
  // below it without its per-volume table.
  writeRun(typicalRun(3, 2, 2, 3000), folder.file("a_bold.nii"));
  CommandResult result =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "--no-log-table", "a_bold.nii"},
                 folder.path(), kFileSizeLimit);
  EXPECT_EQ(result.exitStatus, 1) << result.err;
  EXPECT_NE(result.out.find("Writing CSV file failed"), std::string::npos) << result.out;
  EXPECT_NE(result.err.find("the analysis stopped before its end"), std::string::npos);
  EXPECT_FALSE(fs::exists(out() / "a_bold_stat-tsnr_boldmap.nii.gz"));
  EXPECT_FALSE(fs::exists(out() / "a_bold.csv"));
  EXPECT_FALSE(callLog(out()).empty());
}

// Address space for the command: a run of 500 volumes fits, and so does
// one of 200,000 volumes of one voxel, which fits only while the command
// keeps each per-volume value once and compactly (it took twice the limit
// when the series were optionals copied for the page); one of 10^6 volumes
// (its results alone take about 200 bytes a volume) does not.
// AddressSanitizer reserves far more, so its builds skip this.
constexpr const char kAddressSpaceLimit[] = "ulimit -v 250000; ";

struct MemoryCase {
  int volumes;
  bool fits;
};

class MemoryLimitTest : public RunCommandTest, public ::testing::WithParamInterface<MemoryCase> {};

TEST_P(MemoryLimitTest, ARunTooLargeForTheMemoryIsNamedWithItsSizeAndLeavesNoOutputs) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit";
#endif
  TestRun run;
  run.nx = run.ny = run.nz = 1;
  run.nt = GetParam().volumes;
  run.nifti2 = true;  // NIfTI-1 counts at most 32767 volumes
  run.datatype = DT_FLOAT32;
  for (int v = 0; v < run.nt; ++v) run.samples.push_back(1000.0 + (v * 7919) % 101);
  writeRun(run, folder.file("long_bold.nii"));
  const CommandResult result =
      runQuorvel({"run", "-o", "qc", "long_bold.nii"}, folder.path(), kAddressSpaceLimit);
  if (GetParam().fits) {
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    // The per-volume table goes out in pieces: every volume's row arrives,
    // the last one whole.
    const std::string tsv = readFile(out() / "long_bold_desc-qc_timeseries.tsv");
    EXPECT_EQ(std::count(tsv.begin(), tsv.end(), '\n'), run.nt + 1);
    const std::string header = tsv.substr(0, tsv.find('\n'));
    const std::string last = tsv.substr(tsv.rfind('\n', tsv.size() - 2) + 1);
    EXPECT_EQ(std::count(last.begin(), last.end(), '\t'),
              std::count(header.begin(), header.end(), '\t'))
        << last;
    return;
  }
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_NE(result.err.find("quorvel: long_bold.nii: " + std::to_string(run.nt) +
                            " volumes of 1 voxels need about "),
            std::string::npos)
      << result.err;
  EXPECT_NE(result.err.find(" GB; not enough memory\n"), std::string::npos) << result.err;
  for (const std::string& name : folderEntries(out())) {
    EXPECT_TRUE(name == ".quorvel-out.lock" || name.rfind("quorvel_log_", 0) == 0) << name;
  }
}

INSTANTIATE_TEST_SUITE_P(Volumes, MemoryLimitTest,
                         ::testing::Values(MemoryCase{500, true}, MemoryCase{200000, true},
                                           MemoryCase{1000000, false}));

TEST_F(RunCommandTest, ALogThatCannotBeSavedBesideFailedOutputsIsSaidLost) {
  // Without a CSV file the plug-in's analysis completes, then the
  // per-volume table and the log cannot be written; with one, the
  // plug-in's own CSV fails first. All are beyond the file-size limit.
  writeRun(typicalRun(3, 2, 2, 3000), folder.file("a_bold.nii"));
  for (const char* csv : {"--no-csv", "--csv"}) {
    CommandResult result =
        runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", csv, "a_bold.nii"},
                   folder.path(), kFileSizeLimit);
    EXPECT_EQ(result.exitStatus, 1) << csv << ": " << result.err;
    EXPECT_NE(result.err.find("; the log of this failed call is lost\n"), std::string::npos)
        << csv << ": " << result.err;
    EXPECT_NE(result.err.find("quorvel: qc/quorvel_log_"), std::string::npos) << result.err;
    for (const std::string& name : folderEntries(out())) {
      EXPECT_TRUE(name == ".quorvel-out.lock") << csv << ": " << name;
    }
  }
}

TEST_F(RunCommandTest, SettingsThePluginCouldNotSaveAreNotClaimedSaved) {
  // A valid script too large to be rewritten under the file-size limit.
  fs::create_directories(settingsDir());
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  const std::string large = installedScriptWith("dlg.parameters.max_deviation.value", "4") +
                            "\n// " + std::string(100000, 'x') + "\n";
  writeFile(script, large);
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  // The report is left out: it alone would pass the file-size limit.
  CommandResult result = runQuorvel({"run", "-o", "qc", "--settings-dir", "settings",
                                     "--max-deviation", "3.5", "--no-report", "a_bold.nii"},
                                    folder.path(), kFileSizeLimit);
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find("File could not be opened for writing"), std::string::npos);
  EXPECT_NE(result.err.find("could not save the settings into settings/Quorvel1_0.js"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(readFile(script), large);

  // Without the limit the same run saves them, and says nothing of the kind.
  CommandResult saved = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--max-deviation", "3.5", "a_bold.nii"},
      folder.path());
  EXPECT_EQ(saved.exitStatus, 0) << saved.err;
  EXPECT_EQ(saved.err.find("could not save"), std::string::npos) << saved.err;
  EXPECT_NE(readFile(script).find("dlg.parameters.max_deviation.value = 3.5;"), std::string::npos);
}

// One option against the installed settings: it must reach the plug-in
// (its row of the log's parameter table) and be saved (its statement).
struct OptionOverride {
  std::vector<std::string> option;
  const char* logRow;
  const char* savedStatement;
};

void PrintTo(const OptionOverride& override, std::ostream* out) {
  for (const std::string& part : override.option) *out << part << " ";
}

class OptionOverrideTest : public RunCommandTest,
                           public ::testing::WithParamInterface<OptionOverride> {};

TEST_P(OptionOverrideTest, ReachesThePluginAndIsSaved) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  std::vector<std::string> arguments = {"run", "-o", "qc", "--settings-dir", "settings"};
  arguments.insert(arguments.end(), GetParam().option.begin(), GetParam().option.end());
  arguments.push_back("a_bold.nii");
  CommandResult result = runQuorvel(arguments, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(result.out.find(std::string(GetParam().logRow) + "\n"), std::string::npos)
      << result.out;
  EXPECT_NE(readFile(fs::path(settingsDir()) / "Quorvel1_0.js")
                .find(std::string(GetParam().savedStatement) + "\n"),
            std::string::npos);
}

// Each option set against the installed script's value.
INSTANTIATE_TEST_SUITE_P(
    EveryOption, OptionOverrideTest,
    ::testing::Values(OptionOverride{{"--max-deviation", "3.5"},
                                     "| Maximum Deviation: 3.5                    |",
                                     "    dlg.parameters.max_deviation.value = 3.5;"},
                      OptionOverride{{"--spike-def", "2.5"},
                                     "| Spike Definition: 2.5                     |",
                                     "    dlg.parameters.spike_def.value = 2.5;"},
                      OptionOverride{{"--no-tsnr"},
                                     "| Create TSNR Map: No                       |",
                                     "    dlg.maps.create_TSNR_map.checked = 0;"},
                      OptionOverride{{"--no-autocorrelation"},
                                     "| Create Lagged Autocorrelation Map: No     |",
                                     "    dlg.maps.create_lagged_autocor_map.checked = 0;"},
                      OptionOverride{{"--no-outlier-map"},
                                     "| Create Outlier Map: No                    |",
                                     "    dlg.maps.create_outlier_map.checked = 0;"},
                      OptionOverride{
                          {"--no-log-table"},
                          "| Write temporal outliers to Logtab: No     |",
                          "    dlg.temporal.create_temporal_outlier_logtab.checked = 0;"},
                      OptionOverride{{"--no-csv"},
                                     "| Write temporal outliers to CSV file: No   |",
                                     "    dlg.temporal.create_temporal_outlier_file.checked = 0;"},
                      OptionOverride{{"--no-add-vtc-name"},
                                     "| Add VTC Name to VMP Names: No             |",
                                     "    dlg.options.add_vtc_name.checked = 0;"},
                      OptionOverride{{"--delete-other-maps"},
                                     "| Delete Present VMPS: Yes                  |",
                                     "    dlg.options.delete_other_vmps.checked = 1;"}));

// Where the plug-in is to save the settings, and whether it can.
struct SaveCase {
  const char* name;
  bool installedScript;    // the command's copy has a GUI script beside it
  const char* userScript;  // the settings folder's script; null: none
  bool saved;
};

void PrintTo(const SaveCase& saveCase, std::ostream* out) { *out << saveCase.name; }

class SettingsSavedTest : public RunCommandTest, public ::testing::WithParamInterface<SaveCase> {};

// A copy of the built command, library and host in `bin`, with or without
// the installed GUI script beside them.
fs::path copyOfTheCommand(const fs::path& bin, bool withScript) {
  const fs::path built = fs::path(QUORVEL_EXECUTABLE).parent_path();
  fs::create_directories(bin);
  for (const char* name : {"quorvel", "Quorvel1_2.so", "Noravia.exe"}) {
    fs::copy_file(built / name, bin / name);
  }
  if (withScript) fs::copy_file(built / "Quorvel1_0.js", bin / "Quorvel1_0.js");
  return bin / "quorvel";
}

TEST_P(SettingsSavedTest, IsReportedAsItHappened) {
  const SaveCase& c = GetParam();
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  const fs::path command = copyOfTheCommand(folder.path() / "bin", c.installedScript);
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  fs::create_directories(settingsDir());
  if (c.userScript != nullptr) writeFile(script, c.userScript);
  CommandResult result = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--max-deviation", "3.5", "a_bold.nii"},
      folder.path(), "", command);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const bool claimedUnsaved =
      result.err.find("could not save the settings into settings/Quorvel1_0.js") !=
      std::string::npos;
  EXPECT_EQ(claimedUnsaved, !c.saved) << result.out << result.err;
  EXPECT_EQ(readFile(script).find("dlg.parameters.max_deviation.value = 3.5;") != std::string::npos,
            c.saved);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, SettingsSavedTest,
    ::testing::Values(SaveCase{"SeededFromTheInstalledScript", true, nullptr, true},
                      // Nothing installed to fall back on: the plug-in finds no statement
                      // to replace (0 lines), or no script to read at all.
                      SaveCase{"ScriptWithoutStatements", false, "// notes, no settings\n", false},
                      SaveCase{"NoScriptAnywhere", false, nullptr, false}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return info.param.name; });

// Makes `folder` read-only for this process and its children: a read-only
// bind mount in a mount namespace of its own for root, whom permissions do
// not bind, else its permissions. False when neither can be done.
bool makeReadOnly(const fs::path& folder) {
  if (::geteuid() != 0) {
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    return true;
  }
  return ::unshare(CLONE_NEWNS) == 0 &&
         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
         ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

void makeWritableAgain(const fs::path& folder) {
  if (::geteuid() == 0) {
    ::umount2(folder.c_str(), MNT_DETACH);
  } else {
    fs::permissions(folder, fs::perms::owner_all);
  }
}

TEST_F(RunCommandTest, SettingsThatCannotBeSavedAreNamedAndTheRunGoesOn) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  fs::create_directories(settingsDir());
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  // A hand-edited script without two of the nine statements.
  std::string edited;
  std::istringstream installed(
      readFile(fs::path(QUORVEL_EXECUTABLE).parent_path() / "Quorvel1_0.js"));
  for (std::string line; std::getline(installed, line);) {
    if (line.find("add_vtc_name.checked =") == std::string::npos &&
        line.find("spike_def.value =") == std::string::npos) {
      edited += line + "\n";
    }
  }
  writeFile(script, edited);
  CommandResult partly = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--max-deviation", "3.5", "a_bold.nii"},
      folder.path());
  ASSERT_EQ(partly.exitStatus, 0) << partly.err;
  EXPECT_NE(partly.err.find("settings/Quorvel1_0.js: these settings could not be saved, since "
                            "the script holds no statement for them: "
                            "\"dlg.options.add_vtc_name.checked =\" "
                            "\"dlg.parameters.spike_def.value =\"\n"),
            std::string::npos)
      << partly.err;
  EXPECT_NE(readFile(script).find("dlg.parameters.max_deviation.value = 3.5;"), std::string::npos);

  // A read-only folder: the run starts from its settings and says they
  // could not be saved.
  const std::string before = readFile(script);
  if (!makeReadOnly(settingsDir())) GTEST_SKIP() << "no way to make a folder read-only here";
  CommandResult readOnly = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--no-add-vtc-name", "a_bold.nii"},
      folder.path());
  makeWritableAgain(settingsDir());
  EXPECT_EQ(readOnly.exitStatus, 0) << readOnly.err;
  EXPECT_NE(readOnly.err.find("settings: the settings folder cannot be written ("),
            std::string::npos)
      << readOnly.err;
  EXPECT_NE(readOnly.err.find("quorvel: the settings could not be saved into "
                              "settings/Quorvel1_0.js ("),
            std::string::npos)
      << readOnly.err;
  EXPECT_EQ(readFile(out() / "a_bold.csv").substr(0, 48),
            "Volume, Outliers (stddev>3.5), Spikes (stddev:3)");
  EXPECT_EQ(readFile(script), before);
}

TEST_F(RunCommandTest, AnEmptyOrUnreadableScriptIsKeptAsideAndReseeded) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  fs::create_directories(settingsDir());
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  const std::string installed =
      readFile(fs::path(QUORVEL_EXECUTABLE).parent_path() / "Quorvel1_0.js");
  writeFile(script, "");
  CommandResult empty = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", "--spike-def", "2.5", "a_bold.nii"},
      folder.path());
  EXPECT_EQ(empty.exitStatus, 0) << empty.err;
  EXPECT_NE(empty.err.find("settings/Quorvel1_0.js: it is empty; kept as "
                           "settings/Quorvel1_0.js.broken"),
            std::string::npos)
      << empty.err;
  EXPECT_TRUE(fs::exists(fs::path(settingsDir()) / "Quorvel1_0.js.broken"));
  EXPECT_NE(readFile(script).find("dlg.parameters.spike_def.value = 2.5;"), std::string::npos)
      << "the fresh copy took the run's settings";

  // A folder where the script should be cannot be read; the earlier broken
  // script keeps its name and this one takes the next.
  fs::remove(script);
  fs::create_directories(script / "inside");
  CommandResult folderScript =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
  EXPECT_EQ(folderScript.exitStatus, 0) << folderScript.err;
  EXPECT_NE(folderScript.err.find("it cannot be read; kept as settings/Quorvel1_0.js.broken.2"),
            std::string::npos)
      << folderScript.err;
  EXPECT_TRUE(fs::exists(fs::path(settingsDir()) / "Quorvel1_0.js.broken"));
  EXPECT_TRUE(fs::is_directory(fs::path(settingsDir()) / "Quorvel1_0.js.broken.2" / "inside"));
  EXPECT_EQ(readFile(script), installed) << "the installed settings again, saved unchanged";
}

TEST_F(RunCommandTest, UnusableSavedThresholdsFallBackToTheInstalledDefaults) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  fs::create_directories(settingsDir());
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  for (const char* saved : {"nan", "-1", "1e40", "inf"}) {
    writeFile(script, installedScriptWith("dlg.parameters.max_deviation.value", saved));
    CommandResult result =
        runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
    ASSERT_EQ(result.exitStatus, 0) << saved << ": " << result.err;
    EXPECT_NE(result.err.find("\"dlg.parameters.max_deviation.value = " + std::string(saved) +
                              ";\" is not a usable threshold"),
              std::string::npos)
        << result.err;
    EXPECT_EQ(readFile(out() / "a_bold.csv").substr(0, 46),
              "Volume, Outliers (stddev>4), Spikes (stddev:3)")
        << saved;
    EXPECT_NE(readFile(script).find("    dlg.parameters.max_deviation.value = 4;"),
              std::string::npos)
        << saved << ": the run saves the default it used";
  }
}

TEST_F(RunCommandTest, ASecondCommandWaitsForTheSettingsFolder) {
  using namespace std::chrono_literals;
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  fs::create_directories(settingsDir());
  const std::string lockPath = settingsDir() + "/.quorvel.lock";
  int lock = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);

  auto pending = std::async(std::launch::async, [&] {
    return runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"},
                      folder.path());
  });
  const std::string note = "waiting for another quorvel using settings\n";
  bool waiting = false;
  for (int i = 0; i < 1200 && !waiting; ++i) {
    waiting = readFile(folder.path() / ".test-stderr").find(note) != std::string::npos;
    if (!waiting) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(waiting) << "the second command says it waits";
  // While it waits it has neither seeded the settings nor run the plug-in.
  EXPECT_FALSE(fs::exists(fs::path(settingsDir()) / "Quorvel1_0.js"));
  EXPECT_FALSE(fs::exists(out() / "a_bold.csv"));
  ::close(lock);

  CommandResult result = pending.get();
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_TRUE(fs::exists(out() / "a_bold.csv"));
  CommandResult alone =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
  EXPECT_EQ(alone.exitStatus, 0);
  EXPECT_EQ(alone.err.find("waiting"), std::string::npos) << "a free folder is taken silently";
}

TEST_F(RunCommandTest, TwoCommandsIntoOneOutputFolderTakeTurns) {
  using namespace std::chrono_literals;
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  fs::create_directories(out());
  int lock = ::open((out() / ".quorvel-out.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  ASSERT_GE(lock, 0);
  ASSERT_EQ(::flock(lock, LOCK_EX), 0);
  auto pending = std::async(std::launch::async, [&] {
    return runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"},
                      folder.path());
  });
  bool waiting = false;
  for (int i = 0; i < 1200 && !waiting; ++i) {
    waiting =
        readFile(folder.path() / ".test-stderr").find("waiting for another quorvel using qc\n") !=
        std::string::npos;
    if (!waiting) std::this_thread::sleep_for(50ms);
  }
  EXPECT_TRUE(waiting) << "the second command says it waits";
  EXPECT_FALSE(fs::exists(out() / "a_bold.csv"));
  ::close(lock);
  EXPECT_EQ(pending.get().exitStatus, 0);

  // Commands with their own settings folders and thresholds, started
  // together: every file of the folder comes from one of them.
  for (int trial = 0; trial < 4; ++trial) {
    std::vector<std::future<CommandResult>> commands;
    for (const char* threshold : {"3", "5"}) {
      const fs::path work = folder.path() / (std::string("w") + threshold);
      fs::create_directories(work);
      commands.push_back(std::async(std::launch::async, [&, work, threshold] {
        return runQuorvel({"run", "-o", out().string(), "--settings-dir", "settings",
                           "--max-deviation", threshold, folder.file("a_bold.nii")},
                          work);
      }));
    }
    for (auto& command : commands) EXPECT_EQ(command.get().exitStatus, 0);
    const std::string csv = readFile(out() / "a_bold.csv");
    const std::string threshold = csv.substr(25, 1);
    EXPECT_NE(
        readFile(out() / "a_bold_desc-qc_iqms.json").find("\"MaxDeviation\": " + threshold + ".0,"),
        std::string::npos)
        << "trial " << trial << ": the IQMs are of the run that wrote the CSV";
    EXPECT_NE(readFile(out() / "a_bold_desc-qc_timeseries.json")
                  .find("more than " + threshold + ".0 standard deviations"),
              std::string::npos)
        << "trial " << trial;
  }
}

TEST_F(RunCommandTest, RunNamesThatAreNotUtf8AreRefusedBeforeTheAnalysis) {
  // The JSON outputs name the run: a name they cannot hold fails the call
  // before the plug-in runs, naming the run, with nothing written.
  struct NameCase {
    const char* what;
    std::string run;
    std::vector<std::string> options;
    std::string message;
  };
  const std::string bad = "a_\xff_bold.nii";
  const std::string shown = "a_\xef\xbf\xbd_bold.nii";  // with U+FFFD
  const std::vector<NameCase> cases = {
      {"file name", bad, {}, shown + ": the path is not valid UTF-8"},
      {"folder name", "d\xc3(/a_bold.nii", {}, "d\xef\xbf\xbd(/a_bold.nii: the path is not"},
      {"source name",
       "a_bold.nii",
       {"--source-uri", "s3://b/\xe2\x82_bold.nii"},
       "--source-uri s3://b/\xef\xbf\xbd_bold.nii: not valid UTF-8"}};
  for (const NameCase& c : cases) {
    fs::create_directories(fs::path(folder.file(c.run)).parent_path());
    writeRun(typicalRun(), folder.file(c.run));
    std::vector<std::string> arguments = {"run", "-o", "qc", "--settings-dir", "settings"};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    arguments.push_back(c.run);
    CommandResult result = runQuorvel(arguments, folder.path());
    EXPECT_EQ(result.exitStatus, 2) << c.what << ": " << result.err;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.what << ": " << result.err;
    EXPECT_FALSE(fs::exists(out())) << c.what;
    EXPECT_FALSE(fs::exists(settingsDir())) << c.what;
  }

  // UTF-8 beyond ASCII is a name like any other.
  const std::string accented = "r\xc3\xa9sum\xc3\xa9_bold.nii";
  writeRun(typicalRun(), folder.file(accented));
  CommandResult result =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", accented}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(readFile(out() / "r\xc3\xa9sum\xc3\xa9_bold_desc-qc_iqms.json").find(accented),
            std::string::npos);
}

TEST_F(RunCommandTest, NamesUpToTheFileSystemsLimitAreWritten) {
  // The longest output, the largest-deviation map, has a 255-byte name.
  const std::string stem = "sub-01_task-" + std::string(216, 'x') + "_bold";
  writeRun(typicalRun(), folder.file(stem + ".nii.gz"));
  CommandResult result = runQuorvel(
      {"run", "-o", "qc", "--settings-dir", "settings", stem + ".nii.gz"}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const std::string longest = stem.substr(0, stem.size() - 5) + "_desc-maxdev_boldmap.nii.gz";
  ASSERT_EQ(longest.size(), 255u);
  EXPECT_TRUE(fs::exists(out() / longest));
  EXPECT_TRUE(fs::exists(out() / (stem + ".csv")));
}

// The outputs in `folder` by name, with their bytes; quorvel's lock and
// temporary files, and the logs, one per call, aside.
std::map<std::string, std::string> outputsIn(const fs::path& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : folderEntries(folder)) {
    if (name.rfind(".quorvel-", 0) == 0 || name.rfind("quorvel_log_", 0) == 0) continue;
    files[name] = readFile(folder / name);
  }
  return files;
}

TEST_F(RunCommandTest, AKilledCommandLeavesEachOutputOldOrNewAndTheNextOneFinishes) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  auto arguments = [](const char* threshold) {
    return std::vector<std::string>{
        "run",     "-o",        "qc", "--settings-dir", "settings", "--max-deviation",
        threshold, "a_bold.nii"};
  };
  ASSERT_EQ(runQuorvel(arguments("5"), folder.path()).exitStatus, 0);
  const std::map<std::string, std::string> newer = outputsIn(out());
  ASSERT_EQ(runQuorvel(arguments("3"), folder.path()).exitStatus, 0);
  const std::map<std::string, std::string> older = outputsIn(out());
  ASSERT_GE(older.size(), 11u);
  ASSERT_NE(older.at("a_bold.csv"), newer.at("a_bold.csv"));

  // Killed at each step of a command that replaces the older outputs by
  // newer ones; then the next command is killed once it has cleared up.
  struct Step {
    const char* name;
    bool newerAfterNextCommand;  // the outputs were complete, so it finishes them
  };
  const fs::path script = fs::path(settingsDir()) / "Quorvel1_0.js";
  for (const Step step : {Step{"analysis", false}, Step{"outputs", false}, Step{"commit", true},
                          Step{"move", true}, Step{"settings", true}}) {
    ASSERT_EQ(runQuorvel(arguments("3"), folder.path()).exitStatus, 0);
    ASSERT_TRUE(killQuorvelAt(step.name, arguments("5"), folder.path())) << step.name;
    // The script is saved last: it never says 5 beside outputs made with 3.
    EXPECT_NE(readFile(script).find("max_deviation.value = 3;"), std::string::npos) << step.name;
    for (const auto& [name, bytes] : outputsIn(out())) {
      EXPECT_TRUE(older.count(name) && (bytes == older.at(name) || bytes == newer.at(name)))
          << step.name << ": " << name << " is neither the older nor the newer file";
    }
    ASSERT_TRUE(killQuorvelAt("analysis", arguments("5"), folder.path()));
    const std::map<std::string, std::string> settled = outputsIn(out());
    EXPECT_TRUE(settled == (step.newerAfterNextCommand ? newer : older))
        << step.name << ": the outputs appear together";
    for (const std::string& name : folderEntries(out())) {
      EXPECT_EQ(name.find(".ready"), std::string::npos) << step.name;
    }
  }

  ASSERT_EQ(runQuorvel(arguments("5"), folder.path()).exitStatus, 0);
  EXPECT_TRUE(outputsIn(out()) == newer);
  for (const std::string& name : folderEntries(out())) {
    EXPECT_TRUE(name == ".quorvel-out.lock" || name.rfind(".quorvel-", 0) != 0)
        << name << ": no temporary file or folder stays";
  }
  for (const std::string& name : folderEntries(settingsDir())) {
    EXPECT_TRUE(name == ".quorvel.lock" || name.rfind(".quorvel-", 0) != 0) << name;
    EXPECT_EQ(name.find(".saving."), std::string::npos) << name;
  }
  // Only the tests' build stops at a step: the shipped command, told the
  // same, runs to its end.
  for (const char* step : {"analysis", "outputs", "commit", "move", "settings"}) {
    const std::string told = std::string("export QUORVEL_TEST_STOP_AT=") + step + "; ";
    EXPECT_EQ(runQuorvel(arguments("5"), folder.path(), told).exitStatus, 0) << step;
  }
}

TEST_F(RunCommandTest, TemporariesOfStoppedProcessesAreClearedAndLiveOnesKept) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  const pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  const std::string gone = std::to_string(dead), live = std::to_string(::getpid());
  fs::create_directories(out() / (".quorvel-tmp-" + gone));
  fs::create_directories(settingsDir());
  const std::vector<fs::path> stale = {
      out() / (".quorvel-tmp-" + gone + "-a_bold_stat-tsnr_boldmap.nii.gz"),
      out() / (".quorvel-tmp-" + gone) / "a_bold.csv", out() / (".quorvel-csv.saving." + gone),
      fs::path(settingsDir()) / ("Quorvel1_0.js.saving." + gone)};
  const std::vector<fs::path> running = {out() / (".quorvel-tmp-" + live + "-a_bold.csv"),
                                         out() / (".quorvel-csv.saving." + live)};
  for (const fs::path& path : stale) writeFile(path, "left behind");
  for (const fs::path& path : running) writeFile(path, "being written");
  CommandResult result =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  for (const fs::path& path : stale) EXPECT_FALSE(fs::exists(path)) << path;
  EXPECT_FALSE(fs::exists(out() / (".quorvel-tmp-" + gone)));
  for (const fs::path& path : running) EXPECT_EQ(readFile(path), "being written") << path;
  EXPECT_NE(result.err.find("qc: removed 3 temporary file(s) or folder(s)"), std::string::npos)
      << result.err;
}

// A complete stage of a stopped call is finished only with what quorvel
// staged there: never over an input, never a link or folder, never a file
// its record does not name; a stage without a record is left as it is.
TEST_F(RunCommandTest, ALeftoverStageIsFinishedOnlyWithWhatQuorvelStaged) {
  struct Case {
    const char* name;
    std::vector<std::string> record;         // none when empty
    std::vector<std::string> moved, absent;  // in the output folder afterwards
    const char* message;
  };
  const Case cases[] = {
      {"no record", {}, {}, {"x.txt"}, "left as it is"},
      {"a record",
       {"a_bold.nii", "x.txt", "link", "sub", "../escape.txt"},
       {"x.txt"},
       {"link", "sub"},
       "a_bold.nii: not put in place (it would replace an input of this call)"},
  };
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  const std::string run = readFile(folder.path() / "a_bold.nii");
  for (const Case& c : cases) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const fs::path stage = folder.path() / (".quorvel-tmp-" + std::to_string(dead) + ".ready");
    fs::create_directories(stage);
    writeFile(stage / "a_bold.nii", "planted");
    writeFile(stage / "x.txt", "staged");
    writeFile(folder.path() / "escape.txt", "outside");
    fs::create_symlink("/etc/hostname", stage / "link");
    fs::create_directories(stage / "sub");
    if (!c.record.empty()) {
      std::string record;
      for (const std::string& name : c.record) record += name + '\0';
      writeFile(stage / ".quorvel-staged", record);
    }
    const CommandResult result =
        runQuorvel({"run", "-o", ".", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
    EXPECT_EQ(result.exitStatus, 0) << c.name << result.err;
    EXPECT_EQ(readFile(folder.path() / "a_bold.nii"), run) << c.name;
    EXPECT_NE(result.err.find(c.message), std::string::npos) << c.name << result.err;
    for (const std::string& name : c.moved) EXPECT_EQ(readFile(folder.path() / name), "staged");
    for (const std::string& name : c.absent) {
      EXPECT_FALSE(fs::exists(fs::symlink_status(folder.path() / name))) << c.name << ": " << name;
    }
    EXPECT_EQ(readFile(folder.path() / "escape.txt"), "outside");
    EXPECT_EQ(fs::exists(stage), c.record.empty()) << c.name;
    fs::remove_all(stage);
    fs::remove(folder.path() / "x.txt");
  }
}

TEST_F(RunCommandTest, AStudysOwnDatasetDescriptionIsKept) {
  // A study's root, with the default output folder ".".
  writeRun(typicalRun(), folder.file("sub-01_task-rest_bold.nii.gz"));
  const fs::path description = folder.path() / "dataset_description.json";
  for (const std::string study :
       {"{\n  \"Name\": \"My study\",\n  \"BIDSVersion\": \"1.9.0\"\n}\n",
        "{\"Name\": \"x\", \"GeneratedBy\": [{\"Name\": \"other tool\"}]}",
        "Name: my study, not JSON\n"}) {
    writeFile(description, study);
    CommandResult result = runQuorvel(
        {"run", "--settings-dir", "settings", "sub-01_task-rest_bold.nii.gz"}, folder.path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(readFile(description), study);
    EXPECT_NE(result.err.find("dataset_description.json: kept as it is"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.err.find("wrote ./dataset_description.json"), std::string::npos);
    EXPECT_TRUE(fs::exists(folder.path() / "sub-01_task-rest_stat-tsnr_boldmap.nii.gz"));
  }

  // One an earlier quorvel wrote is brought up to date.
  fs::create_directories(out());
  writeFile(
      out() / "dataset_description.json",
      "{\"Name\": \"old\", \"GeneratedBy\": [{\"Name\": \"Quorvel\", \"Version\": \"1.1\"}]}");
  CommandResult result =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "sub-01_task-rest_bold.nii.gz"},
                 folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_NE(readFile(out() / "dataset_description.json").find("\"Version\": \"1.2\""),
            std::string::npos);
  EXPECT_NE(result.err.find("quorvel: wrote qc/dataset_description.json\n"), std::string::npos)
      << result.err;
}

TEST_F(RunCommandTest, ALinkOrFolderAtThePluginsCsvNameIsRefused) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  const std::string input = readFile(folder.path() / "a_bold.nii");
  fs::create_directories(out());
  fs::create_symlink(folder.path() / "a_bold.nii", out() / "a_bold.csv");
  CommandResult linked =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
  EXPECT_EQ(linked.exitStatus, 2);
  EXPECT_NE(linked.err.find("qc/a_bold.csv: is a link"), std::string::npos) << linked.err;
  EXPECT_EQ(readFile(folder.path() / "a_bold.nii"), input) << "the run is untouched";
  EXPECT_EQ(folderEntries(out()), std::vector<std::string>{"a_bold.csv"});
  EXPECT_FALSE(fs::exists(settingsDir())) << "nothing is written";

  fs::remove(out() / "a_bold.csv");
  fs::create_directories(out() / "a_bold.csv");
  CommandResult folderCsv =
      runQuorvel({"run", "-o", "qc", "--settings-dir", "settings", "a_bold.nii"}, folder.path());
  EXPECT_EQ(folderCsv.exitStatus, 2);
  EXPECT_NE(folderCsv.err.find("qc/a_bold.csv: is a folder"), std::string::npos) << folderCsv.err;
}

TEST_F(RunCommandTest, SettingsFolderTooLongForThePluginIsRefused) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  const std::string longFolder = "settings/" + std::string(250, 's');
  CommandResult result =
      runQuorvel({"run", "-o", "qc", "--settings-dir", longFolder, "a_bold.nii"}, folder.path());
  EXPECT_EQ(result.exitStatus, 2);
  EXPECT_NE(result.err.find("longer than the 255 characters"), std::string::npos) << result.err;
  EXPECT_TRUE(folderEntries(out()).empty());
}

TEST_F(RunCommandTest, MeaninglessSamplesAreAnalysedAsTheyAreAndWarnedEverywhere) {
  // A NaN in volume 6 of a voxel that has no outlier otherwise: read as 0,
  // it would be counted as an outlier of that volume.
  TestRun nan = typicalRun(3, 2, 2, 30);
  nan.datatype = DT_FLOAT32;
  writeRun(nan, folder.file("nan_bold.nii"));
  {
    std::string bytes = readFile(folder.path() / "nan_bold.nii");
    const float notANumber = std::nanf("");
    const std::size_t sample = (5 * 12 + 11) * sizeof(float);  // volume 6, voxel (2,1,1)
    bytes.replace(352 + sample, sizeof notANumber,
                  std::string(reinterpret_cast<const char*>(&notANumber), sizeof notANumber));
    writeFile(folder.path() / "nan_bold.nii", bytes);
  }
  TestRun scaled = typicalRun(3, 2, 2, 30);
  scaled.sclSlope = 1e38;
  writeRun(scaled, folder.file("scaled_bold.nii.gz"));
  writeRun(typicalRun(3, 2, 2, 3), folder.file("short_bold.nii.gz"));

  CommandResult result = runQuorvel({"run", "-o", "qc", "--settings-dir", "settings",
                                     "nan_bold.nii", "scaled_bold.nii.gz", "short_bold.nii.gz"},
                                    folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err.find("** ERROR"), std::string::npos) << result.err;
  const std::string log = readFile(callLog(out()));
  const std::pair<const char*, const char*> expected[] = {
      {"nan_bold", "1 of its 360 samples is NaN or infinite"},
      {"scaled_bold", "scl_slope 1e+38 and scl_inter 0 take 360 samples beyond the range"},
      {"short_bold", "only 3 volumes: the lag 1+2 autocorrelation needs at least 4"}};
  for (const auto& [run, warning] : expected) {
    const std::string text = run + std::string(run[0] == 'n' ? ".nii: " : ".nii.gz: ") + warning;
    EXPECT_NE(result.err.find("quorvel: " + text), std::string::npos) << result.err;
    EXPECT_NE(log.find("Warning: " + text), std::string::npos) << log;
    for (const std::string& sidecar : {std::string(run) + "_stat-tsnr_boldmap.json",
                                       std::string(run) + "_desc-qc_timeseries.json"}) {
      const std::string json = readFile(out() / sidecar);
      EXPECT_NE(json.find("\"Warnings\": ["), std::string::npos) << sidecar << json;
      EXPECT_NE(json.find(warning), std::string::npos) << sidecar << json;
    }
  }
  const std::string csv = readFile(out() / "nan_bold.csv");
  EXPECT_NE(csv.find("\n6,0,0\n"), std::string::npos) << csv;
}

// Each bad input: exit status 2, one message naming the file and the
// problem, and no output folder content.
struct BadInput {
  const char* name;
  std::vector<std::string> arguments;
  const char* messagePart;
};

// Prints a case as its command-line arguments, for GoogleTest's messages and
// the test names CTest lists (instead of a dump of the struct's bytes).
void PrintTo(const BadInput& input, std::ostream* out) {
  const char* separator = "";
  for (const std::string& argument : input.arguments) {
    *out << separator << argument;
    separator = " ";
  }
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputTest, IsRefusedWithAClearMessageAndNoOutput) {
  TempFolder folder;
  writeRun(typicalRun(), folder.file("good_bold.nii.gz"));
  TestRun other = typicalRun(4, 2, 2, 30);
  writeRun(other, folder.file("other_bold.nii.gz"));
  TestRun flat = typicalRun(3, 2, 2, 1);
  writeRun(flat, folder.file("flat.nii.gz"));
  writeFile(folder.path() / "notes.nii", "this is not an image\n");
  const std::string good = readFile(folder.path() / "good_bold.nii.gz");
  writeFile(folder.path() / "cut_bold.nii.gz", good.substr(0, good.size() * 2 / 3));
  writeFile(folder.path() / "missing.mdm", "\"good_bold.nii.gz\"\n\"gone_bold.nii.gz\"\n");
  writeFile(folder.path() / "blocker", "a file where a folder should be");
  for (const char* copy : {"sub-01_task-rest_bold.nii.gz", "sub-01_task-rest_cbv.nii.gz",
                           "sub-01_bold.nii.gz", "sub-01.nii.gz"}) {
    fs::copy_file(folder.path() / "good_bold.nii.gz", folder.path() / copy);
  }
  fs::create_directories(folder.path() / "other");
  fs::copy_file(folder.path() / "good_bold.nii.gz", folder.path() / "other" / "good_bold.nii.gz");
  // A 10 KB NIfTI-2 file whose dim[0] crashed nifti_clib 3.0.1.
  NiftiBytes crash = NiftiBytes::counting(2);
  crash.dim[0] = 65536;
  writeFile(folder.path() / "crash.nii", crash.bytes() + std::string(10000, '\0'));
  std::string damaged = readFile(folder.path() / "good_bold.nii.gz");
  for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 16; ++i) damaged[i] ^= 0x33;
  writeFile(folder.path() / "damaged_bold.nii.gz", damaged);

  std::vector<std::string> arguments = {"run", "--settings-dir", "settings"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  CommandResult result = runQuorvel(arguments, folder.path());
  EXPECT_EQ(result.exitStatus, 2) << result.err;
  EXPECT_NE(result.err.find(GetParam().messagePart), std::string::npos) << result.err;
  EXPECT_TRUE(folderEntries(folder.path() / "qc").empty());
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.find("** ERROR"), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadInputTest,
    ::testing::Values(
        BadInput{"Missing", {"-o", "qc", "absent_bold.nii.gz"}, "absent_bold.nii.gz: no such file"},
        BadInput{"NotNifti", {"-o", "qc", "notes.nii"}, "notes.nii: not a NIfTI-1 or NIfTI-2 file"},
        BadInput{"WrongExtension", {"-o", "qc", "blocker"}, "blocker: not a NIfTI file"},
        BadInput{"ThreeD", {"-o", "qc", "flat.nii.gz"}, "flat.nii.gz: is a 3D image"},
        BadInput{"Truncated",
                 {"-o", "qc", "cut_bold.nii.gz"},
                 "cut_bold.nii.gz: the image data are truncated"},
        BadInput{"CrashingNifti2Header",
                 {"-o", "qc", "crash.nii"},
                 "crash.nii: dim[0] is 65536, but a NIfTI image has 1 to 7 dimensions"},
        BadInput{"DamagedCompressedData",
                 {"-o", "qc", "damaged_bold.nii.gz"},
                 "damaged_bold.nii.gz: the compressed data are damaged"},
        BadInput{"MdmWithMissingRun", {"-o", "qc", "--mdm", "missing.mdm"}, "gone_bold.nii.gz"},
        BadInput{"DifferentGrids",
                 {"-o", "qc", "good_bold.nii.gz", "other_bold.nii.gz"},
                 "differs from the 3 x 2 x 2"},
        BadInput{"SameRunTwice",
                 {"-o", "qc", "good_bold.nii.gz", "./good_bold.nii.gz"},
                 "./good_bold.nii.gz: the run is given twice (also as good_bold.nii.gz)"},
        BadInput{"SameNameElsewhere",
                 {"-o", "qc", "good_bold.nii.gz", "other/good_bold.nii.gz"},
                 "other/good_bold.nii.gz and good_bold.nii.gz: both runs would write "
                 "good_bold.csv"},
        BadInput{"SuffixOnlyDiffers",
                 {"-o", "qc", "sub-01_task-rest_bold.nii.gz", "sub-01_task-rest_cbv.nii.gz"},
                 "sub-01_task-rest_cbv.nii.gz and sub-01_task-rest_bold.nii.gz: both runs would "
                 "write sub-01_task-rest_stat-tsnr_boldmap.nii.gz"},
        BadInput{"NoSuffix",
                 {"-o", "qc", "sub-01_bold.nii.gz", "sub-01.nii.gz"},
                 "both runs would write sub-01_stat-tsnr_boldmap.nii.gz"},
        BadInput{"MaxDeviationNan",
                 {"-o", "qc", "--max-deviation", "nan", "good_bold.nii.gz"},
                 "--max-deviation nan: a threshold must be a finite number"},
        BadInput{"MaxDeviationInfinite",
                 {"-o", "qc", "--max-deviation", "inf", "good_bold.nii.gz"},
                 "--max-deviation inf: a threshold must be"},
        BadInput{"MaxDeviationBeyondFloat",
                 {"-o", "qc", "--max-deviation", "1e40", "good_bold.nii.gz"},
                 "--max-deviation 1e+40: a threshold must be"},
        BadInput{"MaxDeviationEmpty",
                 {"-o", "qc", "--max-deviation", "", "good_bold.nii.gz"},
                 "--max-deviation: an empty value is not a number"},
        BadInput{"SpikeDefEmpty",
                 {"-o", "qc", "--spike-def", "", "good_bold.nii.gz"},
                 "--spike-def: an empty value is not a number"},
        BadInput{"MaxDeviationNegative",
                 {"-o", "qc", "--max-deviation", "-1", "good_bold.nii.gz"},
                 "--max-deviation -1: a threshold must be"},
        BadInput{"SpikeDefNegative",
                 {"-o", "qc", "--spike-def=-0.5", "good_bold.nii.gz"},
                 "--spike-def -0.5: a threshold must be"},
        BadInput{"ScaleZero",
                 {"-o", "qc", "--scale", "0", "good_bold.nii.gz"},
                 "--scale 0: the factor must be a finite number above 0"},
        BadInput{"ScaleNegative",
                 {"-o", "qc", "--scale=-2", "good_bold.nii.gz"},
                 "--scale -2: the factor must be"},
        BadInput{"ScaleOverflows",
                 {"-o", "qc", "--scale", "1e38", "good_bold.nii.gz"},
                 "good_bold.nii.gz: --scale 1e+38 takes samples beyond the largest float"},
        BadInput{"RepetitionTimeHuge",
                 {"-o", "qc", "--repetition-time", "1e308", "good_bold.nii.gz"},
                 "--repetition-time: 1e308 is not a possible repetition time (from 0.001 to 3600 "
                 "s)"},
        BadInput{"RepetitionTimeTooShort",
                 {"-o", "qc", "--repetition-time", "0.0005", "good_bold.nii.gz"},
                 "--repetition-time: 0.0005 is not a possible"},
        BadInput{"RepetitionTimeNan",
                 {"-o", "qc", "--repetition-time", "nan", "good_bold.nii.gz"},
                 "--repetition-time: nan is not a possible"},
        BadInput{"UnwritableOut", {"-o", "blocker/qc", "good_bold.nii.gz"}, "blocker/qc"},
        BadInput{"NoRun", {"-o", "qc"}, "no run given"},
        BadInput{"UnknownOption", {"-o", "qc", "--frobnicate", "good_bold.nii.gz"}, "frobnicate"}),
    [](const ::testing::TestParamInfo<BadInput>& info) { return std::string(info.param.name); });

// An output folder the call could not finish: refused with exit status 2
// before the plug-in runs, so nothing is written and no setting is saved.
struct UnfinishableOutput {
  const char* name;
  // Files and folders to make in the test folder (a trailing "/" makes a
  // folder, "name>target" a link, "name=text" a file holding the text,
  // "x.nii" a run of its own, anything else a copy of the run), then the
  // arguments after "run".
  std::vector<std::string> setup;
  std::vector<std::string> arguments;
  const char* messagePart;
};

void PrintTo(const UnfinishableOutput& output, std::ostream* out) { *out << output.name; }

class UnfinishableOutputTest : public ::testing::TestWithParam<UnfinishableOutput> {};

TEST_P(UnfinishableOutputTest, IsRefusedBeforeTheAnalysis) {
  TempFolder folder;
  fs::create_directories(folder.path() / "d");
  writeRun(typicalRun(), folder.file("d/sub-01_bold.nii.gz"));
  const std::string run = readFile(folder.path() / "d" / "sub-01_bold.nii.gz");
  for (const std::string& entry : GetParam().setup) {
    const fs::path path = folder.path() / entry;
    if (entry.back() == '/') {
      fs::create_directories(path);
    } else if (entry.find('=') != std::string::npos) {
      writeFile(folder.path() / entry.substr(0, entry.find('=')),
                entry.substr(entry.find('=') + 1));
    } else if (entry.find('>') != std::string::npos) {
      fs::create_symlink(entry.substr(entry.find('>') + 1),
                         folder.path() / entry.substr(0, entry.find('>')));
    } else if (path.extension() == ".nii") {
      writeRun(typicalRun(), path.string());
    } else {
      writeFile(path, run);
    }
  }
  std::map<std::string, std::string> before;
  for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
    if (entry.is_regular_file()) before[entry.path().string()] = readFile(entry.path());
  }
  std::vector<std::string> arguments = {"run", "--settings-dir", "settings"};
  arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());
  CommandResult result = runQuorvel(arguments, folder.path());
  EXPECT_EQ(result.exitStatus, 2) << result.err;
  EXPECT_NE(result.err.find(GetParam().messagePart), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "") << "the plug-in never ran";
  EXPECT_FALSE(fs::exists(folder.path() / "settings")) << "no setting saved";
  std::map<std::string, std::string> after;
  for (const auto& entry : fs::recursive_directory_iterator(folder.path())) {
    if (entry.is_regular_file()) after[entry.path().string()] = readFile(entry.path());
  }
  EXPECT_EQ(after, before) << "every file as it was, none added";
}

const std::string kLongName = "sub-01_task-" + std::string(219, 'x') + "_bold.nii.gz";

INSTANTIATE_TEST_SUITE_P(
    Outputs, UnfinishableOutputTest,
    ::testing::Values(
        UnfinishableOutput{
            "OutputOverAnInput",
            {"d/sub-01_stat-tsnr_boldmap.nii.gz"},
            {"--out", "d", "d/sub-01_stat-tsnr_boldmap.nii.gz", "d/sub-01_bold.nii.gz"},
            "d/sub-01_bold.nii.gz: would write d/sub-01_stat-tsnr_boldmap.nii.gz, "
            "which is the input d/sub-01_stat-tsnr_boldmap.nii.gz"},
        UnfinishableOutput{
            "OutputOverAnInputGivenThroughALinkAndDot",
            {"d/sub-01_stat-tsnr_boldmap.nii.gz", "e>d"},
            {"--out", "./d/", "e/sub-01_stat-tsnr_boldmap.nii.gz", "d/sub-01_bold.nii.gz"},
            "which is the input e/sub-01_stat-tsnr_boldmap.nii.gz"},
        UnfinishableOutput{"OutputOverTheMdmFile",
                           {"d/dataset_description.json=\"sub-01_bold.nii.gz\"\n"},
                           {"--out", "d", "--mdm", "d/dataset_description.json"},
                           "this call: would write d/dataset_description.json, which is the "
                           "input d/dataset_description.json"},
        UnfinishableOutput{"FolderAtAMapName",
                           {"qc/sub-01_desc-maxdev_boldmap.nii.gz/"},
                           {"-o", "qc", "d/sub-01_bold.nii.gz"},
                           "qc/sub-01_desc-maxdev_boldmap.nii.gz: is a folder"},
        UnfinishableOutput{"FolderAtTheTableName",
                           {"qc/sub-01_desc-qc_timeseries.tsv/"},
                           {"-o", "qc", "d/sub-01_bold.nii.gz"},
                           "qc/sub-01_desc-qc_timeseries.tsv: is a folder"},
        UnfinishableOutput{"FolderAtTheIqmName",
                           {"qc/sub-01_desc-qc_iqms.json/"},
                           {"-o", "qc", "d/sub-01_bold.nii.gz"},
                           "qc/sub-01_desc-qc_iqms.json: is a folder"},
        UnfinishableOutput{"OutputOverTheSidecarOfAnotherRun",
                           {"d/sub-01_stat-tsnr_boldmap.nii", "d/sub-01_stat-tsnr_boldmap.json={}"},
                           {"--out", "d", "d/sub-01_bold.nii.gz", "d/sub-01_stat-tsnr_boldmap.nii"},
                           "would write d/sub-01_stat-tsnr_boldmap.json, which is the input "
                           "d/sub-01_stat-tsnr_boldmap.json"},
        UnfinishableOutput{"LogOverTheRunsSidecar",
                           {"d/sub-01_bold.json={\"RepetitionTime\": 2}"},
                           {"--out", "d", "--log-name", "sub-01_bold.json", "d/sub-01_bold.nii.gz"},
                           "this call: would write d/sub-01_bold.json, which is the input "
                           "d/sub-01_bold.json"},
        UnfinishableOutput{
            "LogOverAnOutput",
            {},
            {"-o", "qc", "--log-name", "sub-01_desc-qc_iqms.json", "d/sub-01_bold.nii.gz"},
            "--log-name sub-01_desc-qc_iqms.json: qc/sub-01_desc-qc_iqms.json is also an output "
            "of d/sub-01_bold.nii.gz"},
        UnfinishableOutput{
            "LogOverTheDescription",
            {},
            {"-o", "qc", "--log-name", "dataset_description.json", "d/sub-01_bold.nii.gz"},
            "is also the folder's description of the outputs"},
        UnfinishableOutput{"LogOverTheLock",
                           {},
                           {"-o", "qc", "--log-name", ".quorvel-out.lock", "d/sub-01_bold.nii.gz"},
                           "qc/.quorvel-out.lock: this call would write a file named like"},
        UnfinishableOutput{"NameTooLongForTheFileSystem",
                           {"d/" + kLongName},
                           {"-o", "q", "d/" + kLongName},
                           "_stat-tsnr_boldmap.nii.gz: the file name is 256 bytes long, and the "
                           "file system of the output folder takes at most 255"}),
    [](const ::testing::TestParamInfo<UnfinishableOutput>& info) {
      return std::string(info.param.name);
    });

TEST_F(RunCommandTest, NegativeZeroThresholdsAreZero) {
  writeRun(typicalRun(), folder.file("a_bold.nii"));
  CommandResult result = runQuorvel({"run", "-o", "qc", "--settings-dir", "settings",
                                     "--max-deviation=-0", "--spike-def=-0", "a_bold.nii"},
                                    folder.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(readFile(out() / "a_bold.csv").substr(0, 46),
            "Volume, Outliers (stddev>0), Spikes (stddev:0)");
  EXPECT_EQ(result.out.find("-0"), std::string::npos) << result.out;
  const std::string script = readFile(fs::path(settingsDir()) / "Quorvel1_0.js");
  EXPECT_NE(script.find("max_deviation.value = 0;"), std::string::npos);
  EXPECT_NE(script.find("spike_def.value = 0;"), std::string::npos);
}

// A header that disagrees with the sidecar or the given repetition time
// loses, and the user is told which two differed; agreement is silent.
TEST_F(RunCommandTest, ARepetitionTimeThatDisagreesWithTheHeaderIsSaid) {
  struct Case {
    const char* sidecar;  // nullptr: none
    const char* option;   // --repetition-time, or nullptr
    const char* said;     // nullptr: no warning about the header
    double used;
  };
  const Case cases[] = {
      {"{\"RepetitionTime\": 3.0}", nullptr,
       "a_bold.nii: the header gives a repetition time of 1.5 s, its sidecar ", 3.0},
      {nullptr, "3", "a_bold.nii: the header gives a repetition time of 1.5 s, the one given 3 s",
       3.0},
      {"{\"RepetitionTime\": 1.5}", nullptr, nullptr, 1.5},
  };
  TestRun run = typicalRun();
  run.withUnits = true;
  writeRun(run, folder.file("a_bold.nii"));
  for (const Case& c : cases) {
    fs::remove(folder.path() / "a_bold.json");
    if (c.sidecar != nullptr) writeFile(folder.path() / "a_bold.json", c.sidecar);
    std::vector<std::string> args = {"run",     "-o", "qc", "--no-report", "--settings-dir",
                                     "settings"};
    if (c.option != nullptr) args.insert(args.end(), {"--repetition-time", c.option});
    args.push_back("a_bold.nii");
    const CommandResult result = runQuorvel(args, folder.path());
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    if (c.said != nullptr) {
      EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(result.err.find("the header gives"), std::string::npos) << result.err;
    }
    const std::string iqms = readFile(out() / "a_bold_desc-qc_iqms.json");
    EXPECT_NE(iqms.find("\"RepetitionTime\": " + std::string(c.used == 3.0 ? "3" : "1.5")),
              std::string::npos)
        << iqms;
  }
}

TEST(CommandHelpTest, HelpDescribesUsageOptionsAndAnExample) {
  TempFolder folder;
  CommandResult top = runQuorvel({"--help"}, folder.path());
  EXPECT_EQ(top.exitStatus, 0);
  EXPECT_NE(top.out.find("Usage"), std::string::npos);
  CommandResult run = runQuorvel({"run", "--help"}, folder.path());
  EXPECT_EQ(run.exitStatus, 0);
  for (const char* part : {"--max-deviation", "--no-tsnr", "--settings-dir", "--mdm", "Example"}) {
    EXPECT_NE(run.out.find(part), std::string::npos) << part;
  }
}

}  // namespace
}  // namespace cli_test
