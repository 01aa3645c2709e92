// Unit tests of the command's parts that carry their own rules: names,
// the GUI script's statements, the plug-in's count reports, MDM files, the
// run plan and the transpose into the host's layout.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <numeric>

#include "cli/base/atomic_file.h"
#include "cli/base/atomic_file_stream.h"
#include "cli/base/cli_error.h"
#include "cli/commands/mdm_file.h"
#include "cli/nifti/time_major_layout.h"
#include "cli/outputs/output_names.h"
#include "cli/outputs/run_plan.h"
#include "cli/quality/volume_counts.h"
#include "cli/settings/dialog_settings.h"
#include "cli_test_support.h"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;

TEST(OutputNamesTest, EntitiesDropTheSuffixOnlyForFieldStyleNames) {
  RunOutputNames bids = outputNamesFor("/data/sub-01_task-rest_run-2_bold.nii.gz");
  EXPECT_EQ(bids.stem, "sub-01_task-rest_run-2_bold");
  EXPECT_EQ(bids.mapName(MapKind::kTsnr), "sub-01_task-rest_run-2_stat-tsnr_boldmap.nii.gz");
  EXPECT_EQ(bids.mapSidecarName(MapKind::kLaggedAutocorrelation),
            "sub-01_task-rest_run-2_desc-ac12_boldmap.json");
  EXPECT_EQ(bids.timeseriesName(), "sub-01_task-rest_run-2_desc-qc_timeseries.tsv");
  EXPECT_EQ(bids.csvName(), "sub-01_task-rest_run-2_bold.csv");

  RunOutputNames plain = outputNamesFor("haxby2001_sub001_run001_1slice_bold.nii");
  EXPECT_EQ(plain.entities, "haxby2001_sub001_run001_1slice_bold");
  EXPECT_EQ(plain.mapName(MapKind::kOutliers),
            "haxby2001_sub001_run001_1slice_bold_desc-maxdev_boldmap.nii.gz");
  EXPECT_EQ(outputNamesFor("RUN.NII.GZ").stem, "RUN");
  EXPECT_EQ(outputNamesFor("sub-01_bold-x.nii").entities, "sub-01_bold-x");
}

TEST(GuiScriptSettingsTest, ReadsTheStatementsThePluginRewrites) {
  const std::string script =
      "var dlg = { maps: { create_TSNR_map: { checked: 1 } } };\n"
      "if (dlg.maps.create_outlier_map.checked == true) {}\n"
      "function initSettings() {\n"
      "    dlg.options.delete_other_vmps.checked=1;\n"
      "  dlg.options.add_vtc_name.checked   =   false ;\n"
      "    dlg.maps.create_TSNR_map.checked = 0;\n"
      "    dlg.maps.create_outlier_map.checked = 2;\n"
      "    dlg.parameters.max_deviation.value = 3.5;\n"
      "    dlg.parameters.spike_def.value\t= 8;\n"  // a tab: the plug-in does not see it
      "    dlg.temporal.create_temporal_outlier_file.checked = maybe;\n"
      "}\n";
  std::vector<std::string> missing;
  DialogSettings settings = parseGuiScriptSettings(script, DialogSettings{}, &missing);
  EXPECT_TRUE(settings.deleteOtherVmps);
  EXPECT_FALSE(settings.addVtcName);
  EXPECT_FALSE(settings.createTSNRMap);
  EXPECT_TRUE(settings.createOutlierMap) << "the comparison is skipped, 2 is true";
  EXPECT_EQ(settings.maxDeviation, 3.5);
  EXPECT_EQ(settings.spikeDef, 3.0);
  EXPECT_EQ(missing,
            (std::vector<std::string>{
                "dlg.maps.create_lagged_autocor_map.checked =", "dlg.parameters.spike_def.value =",
                "dlg.temporal.create_temporal_outlier_logtab.checked =",
                "dlg.temporal.create_temporal_outlier_file.checked ="}));
}

TEST(GuiScriptSettingsTest, ThresholdsTheFloatsOfThePluginCannotHoldAreUnusable) {
  for (const char* text : {"nan", "inf", "-inf", "1e40", "-1", "-0.001", "3.4028236e38"}) {
    std::vector<std::string> missing, unusable;
    DialogSettings start;
    start.spikeDef = 2.0;
    DialogSettings settings =
        parseGuiScriptSettings(std::string("dlg.parameters.spike_def.value = ") + text + ";\n",
                               start, &missing, &unusable);
    EXPECT_EQ(settings.spikeDef, 2.0) << text << ": the start value stays";
    EXPECT_EQ(unusable,
              std::vector<std::string>{std::string("dlg.parameters.spike_def.value = ") + text})
        << text;
    EXPECT_EQ(std::count(missing.begin(), missing.end(), "dlg.parameters.spike_def.value ="), 0)
        << text << ": a number, if unusable, is not missing";
  }
  for (double usable : {0.0, 0.5, 3.4e38}) EXPECT_TRUE(isUsableThreshold(usable)) << usable;
  std::vector<std::string> unusable;
  DialogSettings zero = parseGuiScriptSettings("dlg.parameters.max_deviation.value = 0;\n",
                                               DialogSettings{}, nullptr, &unusable);
  EXPECT_EQ(zero.maxDeviation, 0.0);
  EXPECT_TRUE(unusable.empty());
}

TEST(GuiScriptSettingsTest, ShippedScriptGivesTheBuiltInSettings) {
  std::vector<std::string> missing;
  DialogSettings shipped = parseGuiScriptSettings(cli_test::readFile(QUORVEL_SHIPPED_GUI_SCRIPT),
                                                  DialogSettings{}, &missing);
  EXPECT_TRUE(missing.empty());
  DialogSettings builtIn;
  EXPECT_EQ(shipped.maxDeviation, builtIn.maxDeviation);
  EXPECT_EQ(shipped.spikeDef, builtIn.spikeDef);
  EXPECT_EQ(shipped.addVtcName, builtIn.addVtcName);
  EXPECT_EQ(shipped.deleteOtherVmps, builtIn.deleteOtherVmps);
  EXPECT_EQ(shipped.mapsPerRun(), builtIn.mapsPerRun());
}

TEST(VolumeCountsTest, CsvMustBeCompleteToCount) {
  const std::string csv = "Volume, Outliers (stddev>4), Spikes (stddev:3)\n1,0,0\n2,12,3\n3,1,0\n";
  std::optional<VolumeCounts> counts = parseOutlierCsv(csv, 3);
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->outliers, (std::vector<long>{0, 12, 1}));
  EXPECT_EQ(counts->spikes, (std::vector<long>{0, 3, 0}));
  EXPECT_EQ(timeseriesTsv(*counts), "outlier_count\tspike_count\n0\t0\n12\t3\n1\t0\n");

  EXPECT_FALSE(parseOutlierCsv(csv, 4)) << "a row missing";
  EXPECT_FALSE(parseOutlierCsv(csv, 2)) << "a row too many";
  EXPECT_FALSE(parseOutlierCsv(csv.substr(0, csv.size() - 1), 3)) << "last line cut";
  EXPECT_FALSE(parseOutlierCsv(csv.substr(0, csv.size() - 3), 3)) << "last row cut";
  EXPECT_FALSE(
      parseOutlierCsv("Volume, Outliers (stddev>4), Spikes (stddev:3)\n1,0,0\n3,1,0\n", 2));
  EXPECT_FALSE(parseOutlierCsv("", 0));
}

TEST(VolumeCountsTest, LogTableIsTakenFromTheRunsOwnLines) {
  const std::vector<std::string> a = {"Successfully loaded qc/a.vtc", "Starting calculations",
                                      "Number of deviating voxels (std>4) per volume",
                                      "Volume   1:     0, of which     0 spikes",
                                      "Volume   2:    17, of which     2 spikes"};
  std::optional<VolumeCounts> counts = parseLogTable(a, 2);
  ASSERT_TRUE(counts);
  EXPECT_EQ(counts->outliers, (std::vector<long>{0, 17}));
  EXPECT_EQ(counts->spikes, (std::vector<long>{0, 2}));
  EXPECT_FALSE(parseLogTable({"Successfully loaded qc/b.vtc", "Starting calculations"}, 1))
      << "b has no table of its own";
  EXPECT_FALSE(parseLogTable(a, 3));
}

TEST(MdmFileTest, RunsAreTakenFromTheMdmFolderAndMissingOnesNamed) {
  cli_test::TempFolder folder;
  cli_test::writeFile(folder.path() / "a.nii", "x");
  cli_test::writeFile(
      folder.path() / "design.mdm",
      "FileVersion: 3\r\n\"a.nii\" \"a.sdm\"\r\n\n\"" + folder.file("a.nii") + "\"\n");
  std::vector<std::string> runs = readMdmRunPaths(folder.file("design.mdm"));
  EXPECT_EQ(runs, (std::vector<std::string>{folder.file("a.nii"), folder.file("a.nii")}));

  cli_test::writeFile(folder.path() / "bad.mdm", "\"a.nii\"\n\"gone.nii\"\n\"pipe.nii\"\n");
  ASSERT_EQ(::mkfifo(folder.file("pipe.nii").c_str(), 0600), 0);
  try {
    readMdmRunPaths(folder.file("bad.mdm"));
    FAIL() << "a missing run must be refused";
  } catch (const CliError& error) {
    EXPECT_EQ(error.exitStatus(), kExitBadInput);
    EXPECT_NE(std::string(error.what()).find(folder.file("gone.nii") + ": does not exist"),
              std::string::npos);
    EXPECT_NE(std::string(error.what()).find(folder.file("pipe.nii") + ": not a regular file"),
              std::string::npos)
        << error.what();
  }
  // "a.nii\0x" would be read as a.nii, and the message would end at the NUL.
  cli_test::writeFile(folder.path() / "nul.mdm", std::string("\"a.nii\0x\"\n", 10));
  try {
    readMdmRunPaths(folder.file("nul.mdm"));
    FAIL() << "a run path holding a NUL byte must be refused";
  } catch (const CliError& error) {
    EXPECT_EQ(std::string(error.what()),
              folder.file("nul.mdm") +
                  ": the path of run 1 holds a NUL byte, which no file name can hold");
  }
  EXPECT_EQ(mdmTextNaming({"qc/a.vtc"}).substr(mdmTextNaming({"qc/a.vtc"}).rfind("\"qc")),
            "\"qc/a.vtc\"\n");
}

// What is not a design is refused from its kind and size alone: a device
// or a pipe is never read from, so the command neither fills the memory
// nor waits for a writer.
TEST(MdmFileTest, NonRegularOrHugeFilesAreRefusedWithoutReading) {
  cli_test::TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.file("pipe.mdm").c_str(), 0600), 0);
  fs::create_directories(folder.path() / "folder.mdm");
  std::ofstream(folder.path() / "huge.mdm") << "\"a.nii\"\n";
  fs::resize_file(folder.path() / "huge.mdm", kMaxMdmFileSize + 1);  // sparse
  const std::pair<std::string, const char*> cases[] = {
      {"/dev/zero", "/dev/zero: is not a regular file"},
      {folder.file("pipe.mdm"), "pipe.mdm: is not a regular file"},
      {folder.file("folder.mdm"), "folder.mdm: is a folder"},
      {folder.file("huge.mdm"), "huge.mdm: the MDM file is larger than 64 MiB"},
      {folder.file("absent.mdm"), "absent.mdm: no such MDM file"}};
  for (const auto& [path, message] : cases) {
    try {
      readMdmRunPaths(path);
      ADD_FAILURE() << path << " must be refused";
    } catch (const CliError& error) {
      EXPECT_EQ(error.exitStatus(), kExitBadInput) << path;
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
  }
}

TEST(RunPlanTest, RefusesWhatThePluginCannotTake) {
  RunPlan plan = planRuns({"x/sub-01_bold.nii.gz"}, {"y/sub-02_bold.nii"}, "out/.");
  ASSERT_EQ(plan.runs.size(), 2u);
  EXPECT_EQ(plan.givenCount, 1u);
  EXPECT_EQ(plan.runs[1].vtcPath, "out/sub-02_bold.vtc");

  auto refused = [](const std::vector<std::string>& runs, const std::string& out) {
    try {
      planRuns(runs, {}, out);
    } catch (const CliError& error) {
      return error.exitStatus() == kExitBadInput;
    }
    return false;
  };
  EXPECT_TRUE(refused({}, "out"));
  EXPECT_TRUE(refused({"a/r.nii", "b/r.nii.gz"}, "out")) << "outputs would collide";
  EXPECT_TRUE(refused({"r.nii"}, std::string(260, 'o'))) << "CSV path too long";
  EXPECT_TRUE(refused({"r.nii"}, "out\"quoted")) << "quote breaks the MDM";
  std::vector<std::string> many;
  many.reserve(257);
  for (int i = 0; i < 257; ++i) many.push_back("r" + std::to_string(i) + ".nii");
  EXPECT_TRUE(refused(many, "out"));
}

TEST(RunPlanTest, RunsWhoseOutputFilesShareANameAreRefusedNamingBoth) {
  auto message = [](const std::vector<std::string>& runs) -> std::string {
    try {
      planRuns(runs, {}, "out");
    } catch (const CliError& error) {
      return std::string(error.what());
    }
    return "";
  };
  EXPECT_EQ(message({"d/sub-01_task-rest_bold.nii", "d/sub-01_task-motor_bold.nii",
                     "e/sub-01_task-rest_run-2_bold.nii.gz"}),
            "");
  // Different stems, same entities: the maps and tables collide.
  EXPECT_EQ(message({"d/sub-01_task-rest_bold.nii", "d/sub-01_task-rest.nii.gz"}),
            "d/sub-01_task-rest.nii.gz and d/sub-01_task-rest_bold.nii: both runs would write "
            "sub-01_task-rest_stat-tsnr_boldmap.nii.gz, so their outputs would overwrite each "
            "other; run them with different --out folders");
  EXPECT_NE(message({"a/r.nii", "b/r.nii.gz"}).find("both runs would write r.csv"),
            std::string::npos);
  EXPECT_NE(message({"a/../r_bold.nii", "r_bold.nii"}).find("r_bold.nii: the run is given twice"),
            std::string::npos);
}

TEST(AtomicFileTest, APlantedLinkIsReplacedAndAFailedRenameKeepsItsError) {
  cli_test::TempFolder folder;
  const std::filesystem::path victim = folder.path() / "victim.txt";
  const std::filesystem::path target = folder.path() / "out.json";
  cli_test::writeFile(victim, "keep me");
  std::filesystem::create_symlink(victim, temporaryPathFor(target));
  writeFileAtomically(target, "new");
  EXPECT_EQ(cli_test::readFile(victim), "keep me");
  EXPECT_EQ(cli_test::readFile(target), "new");

  const std::filesystem::path folderTarget = folder.path() / "taken";
  std::filesystem::create_directories(folderTarget / "inside");
  const std::filesystem::path temporary = temporaryPathFor(folderTarget);
  cli_test::writeFile(temporary, "x");
  try {
    commitTemporaryFile(temporary, folderTarget);
    FAIL() << "a file cannot replace a folder";
  } catch (const CliError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find(std::strerror(EISDIR)), std::string::npos) << message;
    EXPECT_EQ(message.find("Success"), std::string::npos) << message;
  }
  EXPECT_FALSE(std::filesystem::exists(temporary));
}

// A file made of pieces around the stream's 1 MiB buffer holds exactly
// their bytes once committed, and nothing is left of one never committed.
TEST(AtomicFileTest, StreamedPiecesLandWholeOrNotAtAll) {
  constexpr std::size_t kMiB = std::size_t{1} << 20;
  const std::vector<std::vector<std::size_t>> pieceLists = {
      {}, {0, 1, 0}, {kMiB - 1, 1, 2}, {kMiB}, {3, 3 * kMiB + 5, 7}, {kMiB / 2, kMiB / 2 + 1}};
  for (const FileCheck check : {FileCheck::kSync, FileCheck::kReadBack}) {
    for (const std::vector<std::size_t>& pieces : pieceLists) {
      cli_test::TempFolder folder;
      const fs::path target = folder.path() / "table.tsv";
      std::string expected;
      {
        AtomicFileStream file(target, check);
        for (const std::size_t size : pieces) {
          std::string piece(size, '\0');
          for (char& c : piece) {
            c = static_cast<char>('a' + expected.size() % 23);
            expected += c;
          }
          file.write(piece);
        }
        file.commit();
      }
      EXPECT_TRUE(cli_test::readFile(target) == expected) << pieces.size() << " pieces";
      {
        AtomicFileStream unfinished(folder.path() / "left.tsv", check);
        unfinished.write("half");
      }
      EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
    }
  }
}

TEST(TimeMajorLayoutTest, BlocksOfVolumesLandInGridsThatDoNotFillTheTiles) {
  for (auto [voxels, volumes] :
       {std::pair<std::size_t, std::size_t>{1, 1}, {70, 3}, {3, 130}, {129, 65}}) {
    std::vector<std::int32_t> volumeMajor(voxels * volumes);
    std::iota(volumeMajor.begin(), volumeMajor.end(), 0);
    std::vector<std::int32_t> timeMajor(voxels * volumes, -1);
    // Blocks of 7 volumes and a partial last one, as the reader hands them.
    for (std::size_t first = 0; first < volumes; first += 7) {
      const std::size_t count = std::min<std::size_t>(7, volumes - first);
      scatterVolumes(reinterpret_cast<const unsigned char*>(volumeMajor.data() + first * voxels),
                     sizeof(std::int32_t), voxels, voxels * sizeof(std::int32_t), first, count,
                     volumes, timeMajor.data(), [](const unsigned char* bytes) {
                       std::int32_t value;
                       std::memcpy(&value, bytes, sizeof value);
                       return value;
                     });
    }
    for (std::size_t voxel = 0; voxel < voxels; ++voxel)
      for (std::size_t volume = 0; volume < volumes; ++volume)
        ASSERT_EQ(timeMajor[voxel * volumes + volume], volumeMajor[volume * voxels + voxel]);
  }
}

}  // namespace
}  // namespace quorvel::cli
