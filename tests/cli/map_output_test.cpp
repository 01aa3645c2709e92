// The map images the command writes: their bytes against nifti_clib's own
// writer, their reading back, and what a failed write leaves behind.
#include <gtest/gtest.h>
#include <nifti2_io.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <csignal>
#include <cstring>
#include <limits>

#include "cli/base/cli_error.h"
#include "cli/nifti/nifti_output.h"
#include "cli/outputs/map_files.h"
#include "cli_test_support.h"
#include "tests/analysis/float_bits.h"

namespace {

namespace fs = std::filesystem;
using cli_test::TempFolder;
using quorvel::cli::mapImage;
using quorvel::cli::writeMapImage;

// The bytes of a file holding one gzip member and nothing after it, or
// "<not one gzip member>".
std::string inflatedMember(const std::string& file) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return "<no zlib>";
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(file.data()));
  stream.avail_in = static_cast<uInt>(file.size());
  std::string out;
  char chunk[65536];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    status = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
  }
  const bool whole = status == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  return whole ? out : "<not one gzip member>";
}

// A run header of the given grid: an oblique sform, 2 x 2.5 x 3 mm voxels.
cli_test::ImagePtr runHeader(int nx, int ny, int nz, int version) {
  const int64_t dims[8] = {4, nx, ny, nz, 5, 1, 1, 1};
  cli_test::ImagePtr header(nifti_make_new_nim(dims, DT_INT16, 0), nifti_image_free);
  header->dx = header->pixdim[1] = 2.0;
  header->dy = header->pixdim[2] = 2.5;
  header->dz = header->pixdim[3] = 3.0;
  header->dt = header->pixdim[4] = 1.5;
  header->sform_code = NIFTI_XFORM_SCANNER_ANAT;
  header->sto_xyz = nifti_dmat44_inverse(header->qto_ijk);
  header->sto_xyz.m[0][1] = 0.25;
  header->sto_xyz.m[2][3] = -40.5;
  header->sto_ijk = nifti_dmat44_inverse(header->sto_xyz);
  header->nifti_type = version == 2 ? NIFTI_FTYPE_NIFTI2_1 : NIFTI_FTYPE_NIFTI1_1;
  return header;
}

struct MapCase {
  const char* name;
  int nx, ny, nz;
  int runVersion;
};

class MapImageTest : public ::testing::TestWithParam<MapCase> {};

TEST_P(MapImageTest, IsNiftiClibsFileAsOneGzipMemberAndReadsBack) {
  const MapCase& c = GetParam();
  const cli_test::ImagePtr header = runHeader(c.nx, c.ny, c.nz, c.runVersion);
  std::vector<float> values(static_cast<std::size_t>(c.nx) * c.ny * c.nz);
  const float special[] = {
      std::numeric_limits<float>::quiet_NaN(),  std::numeric_limits<float>::infinity(),
      -std::numeric_limits<float>::infinity(),  -0.0f,
      std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()};
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = i % 7 == 3 ? special[(i / 7) % 6] : static_cast<float>(i) * 0.37f - 11.0f;
  }
  TempFolder folder("map-image");
  const std::string description = "TSNR of sub-01_task-rest_bold.nii.gz";

  // What nifti_clib's writer makes of the same image is the file meant.
  const fs::path expectedPath = folder.path() / "expected.nii";
  auto image = mapImage(*header, values, description, expectedPath);
  nifti_set_skip_blank_ext(1);
  ASSERT_EQ(nifti_set_filenames(image.get(), expectedPath.c_str(), 0, 1), 0);
  nifti_image_write(image.get());
  const std::string expected = cli_test::readFile(expectedPath);
  ASSERT_EQ(expected.size(), 352 + values.size() * 4);

  const fs::path gz = folder.path() / "map.nii.gz";
  const fs::path plain = folder.path() / "map.nii";
  writeMapImage(*header, values, description, gz);
  writeMapImage(*header, values, description, plain);
  EXPECT_TRUE(inflatedMember(cli_test::readFile(gz)) == expected) << c.name;
  EXPECT_TRUE(cli_test::readFile(plain) == expected) << c.name;

  const cli_test::ImagePtr back = cli_test::loadImage(gz.string());
  ASSERT_TRUE(back && back->data) << c.name;
  EXPECT_EQ(back->nifti_type, NIFTI_FTYPE_NIFTI1_1);
  EXPECT_EQ(back->datatype, DT_FLOAT32);
  EXPECT_EQ(back->dim[0], 3);
  EXPECT_EQ(back->nx * back->ny * back->nz, static_cast<int64_t>(values.size()));
  EXPECT_EQ(std::string(back->descrip), description);
  EXPECT_EQ(back->sto_xyz.m[0][1], 0.25);
  const float* read = static_cast<const float*>(back->data);
  for (std::size_t i = 0; i < values.size(); ++i) {
    // nifti_clib turns a non-finite sample into 0 as it reads.
    const float meant = std::isfinite(values[i]) ? values[i] : 0.0f;
    ASSERT_EQ(quorvel_test::floatBits(read[i]), quorvel_test::floatBits(meant))
        << c.name << " voxel " << i;
  }
  EXPECT_EQ(cli_test::folderEntries(folder.path()).size(), 3u) << "a temporary file is left";
}

INSTANTIATE_TEST_SUITE_P(Grids, MapImageTest,
                         ::testing::Values(MapCase{"OneVoxel", 1, 1, 1, 1},
                                           MapCase{"OddSizes", 7, 5, 3, 1},
                                           MapCase{"OfANifti2Run", 17, 1, 9, 2},
                                           MapCase{"SeveralDeflateBlocks", 96, 80, 19, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

// Makes `folder` read-only for this process alone (root is not held back
// by permissions): a read-only bind mount in a mount namespace of its own.
bool mountReadOnly(const fs::path& folder) {
  return ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0 &&
         ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         ::mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
         ::mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

// A place where writing a map fails, and the message it must give.
struct FailureCase {
  const char* name;
  // Readies `folder` (or the process) and names the map to write there;
  // empty when this machine cannot set the failure up.
  fs::path (*arrange)(const fs::path& folder);
  const char* reason;  // after "<map>: "
};

const FailureCase kFailures[] = {
    {"FolderIsAFile",
     [](const fs::path& folder) {
       cli_test::writeFile(folder / "qc", "a file where the output folder should be");
       return folder / "qc" / "map.nii.gz";
     },
     "cannot be written (create: Not a directory)"},
    {"FolderInTheWay",
     [](const fs::path& folder) {
       fs::create_directories(folder / "map.nii.gz" / "inside");
       return folder / "map.nii.gz";
     },
     "cannot be put in place ("},
    {"ReadOnlyFolder",
     [](const fs::path& folder) {
       return mountReadOnly(folder) ? folder / "map.nii.gz" : fs::path();
     },
     "cannot be written (create: Read-only file system)"},
    {"FileSizeLimit",
     [](const fs::path& folder) {
       // Past the limit a write fails with EFBIG, as on a full disk.
       std::signal(SIGXFSZ, SIG_IGN);
       const rlimit limit{4096, RLIM_INFINITY};
       return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? folder / "map.nii.gz" : fs::path();
     },
     "cannot be written (write: File too large)"},
};

class MapWriteFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(MapWriteFailureTest, NamesTheFileAndLeavesNothing) {
  TempFolder folder("map-failure");
  const fs::path map = GetParam().arrange(folder.path());
  if (map.empty()) GTEST_SKIP() << "this machine cannot set up " << GetParam().name;
  const std::vector<std::string> before = cli_test::folderEntries(map.parent_path());
  const std::vector<std::string> top = cli_test::folderEntries(folder.path());
  // Noise does not compress: the file outgrows the size limit.
  std::vector<float> values(std::size_t{40} * 40 * 10);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(i * 2654435761u);
  const cli_test::ImagePtr header = runHeader(40, 40, 10, 1);
  try {
    writeMapImage(*header, values, "TSNR", map);
    FAIL() << "the write did not fail";
  } catch (const std::runtime_error& error) {
    EXPECT_EQ(std::string(error.what()).rfind(map.string() + ": " + GetParam().reason, 0), 0u)
        << error.what();
  }
  const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
  ::setrlimit(RLIMIT_FSIZE, &unlimited);
  ::umount2(folder.path().c_str(), MNT_DETACH);
  EXPECT_EQ(cli_test::folderEntries(map.parent_path()), before);
  EXPECT_EQ(cli_test::folderEntries(folder.path()), top);
}

INSTANTIATE_TEST_SUITE_P(Places, MapWriteFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// Maps written one after another or side by side, with one of them
// blocked by a folder where its image goes (-1: none); in parts: all the
// images, then the sidecars, as when the images go ahead of the others.
struct SideBySideCase {
  const char* name;
  bool sideBySide;
  int blocked;
  bool inParts = false;
};

class MapFilesTest : public ::testing::TestWithParam<SideBySideCase> {};

TEST_P(MapFilesTest, AreEachMapsOwnBytesAndAFailureNamesItsMap) {
  const SideBySideCase& c = GetParam();
  const cli_test::ImagePtr header = runHeader(9, 7, 5, 1);
  std::vector<std::vector<float>> values(3, std::vector<float>(std::size_t{9} * 7 * 5));
  for (std::size_t m = 0; m < values.size(); ++m) {
    for (std::size_t i = 0; i < values[m].size(); ++i) values[m][i] = float(m * 1000 + i) / 7.0f;
  }
  TempFolder folder("map-files");
  TempFolder alone("map-alone");
  std::vector<quorvel::cli::MapFiles> maps;
  std::vector<std::string> expected;
  for (std::size_t m = 0; m < values.size(); ++m) {
    const std::string stem = "map" + std::to_string(m);
    maps.push_back({&values[m], "map " + std::to_string(m), folder.path() / (stem + ".nii.gz"),
                    folder.path() / (stem + ".json"), "{\"Map\": " + std::to_string(m) + "}\n"});
    writeMapImage(*header, values[m], maps.back().description, alone.path() / "m.nii.gz");
    expected.push_back(cli_test::readFile(alone.path() / "m.nii.gz"));
  }
  if (c.blocked >= 0) fs::create_directories(maps[c.blocked].image / "inside");

  try {
    if (c.inParts) {
      quorvel::cli::writeMapFiles(*header, maps, c.sideBySide, quorvel::cli::MapFileParts::kImage);
      quorvel::cli::writeMapFiles(*header, maps, false, quorvel::cli::MapFileParts::kSidecar);
    } else {
      quorvel::cli::writeMapFiles(*header, maps, c.sideBySide);
    }
    EXPECT_LT(c.blocked, 0) << "the blocked map did not fail";
  } catch (const std::runtime_error& error) {
    ASSERT_GE(c.blocked, 0) << error.what();
    EXPECT_EQ(std::string(error.what()).rfind(maps[c.blocked].image.string() + ": ", 0), 0u)
        << error.what();
  }
  // Every map written is whole; one after another stops at the failure.
  for (std::size_t m = 0; m < maps.size(); ++m) {
    const bool written =
        c.blocked < 0 || (static_cast<int>(m) != c.blocked && (c.sideBySide || int(m) < c.blocked));
    EXPECT_EQ(fs::is_regular_file(maps[m].image), written) << "map " << m;
    if (!written) continue;
    EXPECT_TRUE(cli_test::readFile(maps[m].image) == expected[m]) << "map " << m;
    // In parts, no sidecar follows a failed image.
    if (c.inParts && c.blocked >= 0) {
      EXPECT_FALSE(fs::exists(maps[m].sidecar)) << "map " << m;
    } else {
      EXPECT_EQ(cli_test::readFile(maps[m].sidecar), maps[m].sidecarText);
    }
  }
  for (const std::string& name : cli_test::folderEntries(folder.path())) {
    EXPECT_EQ(name.rfind(".quorvel-tmp", 0), std::string::npos) << name << " is left";
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, MapFilesTest,
                         ::testing::Values(SideBySideCase{"OneAfterAnother", false, -1},
                                           SideBySideCase{"SideBySide", true, -1},
                                           SideBySideCase{"OneAfterAnotherSecondBlocked", false, 1},
                                           SideBySideCase{"SideBySideFirstBlocked", true, 0},
                                           SideBySideCase{"SideBySideLastBlocked", true, 2},
                                           SideBySideCase{"InParts", true, -1, true},
                                           SideBySideCase{"InPartsFirstBlocked", true, 0, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
