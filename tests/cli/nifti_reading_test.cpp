// The command's own NIfTI reader on files made byte by byte: damaged
// headers and compressed streams are refused naming the file and the
// field, and every layout it accepts gives the host the file's samples.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

#include "cli/base/cli_error.h"
#include "cli/nifti/nifti_run.h"
#include "cli/nifti/world_axes.h"
#include "cli_test_support.h"
#include "nifti_bytes.h"

namespace quorvel::cli {
namespace {

using cli_test::gzipped;
using cli_test::NiftiBytes;
using cli_test::TempFolder;
using cli_test::writeFile;

struct Malformed {
  const char* name;
  std::function<void(NiftiBytes&)> change;
  const char* fileName;  // the extension picks .nii or .nii.gz
  const char* messagePart;
  std::function<void(std::string&)> damage = nullptr;  // of the file's bytes
};

void PrintTo(const Malformed& c, std::ostream* out) { *out << c.name; }

class MalformedFileTest : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedFileTest, IsRefusedNamingTheFileAndTheProblem) {
  TempFolder folder;
  NiftiBytes image = NiftiBytes::counting();
  GetParam().change(image);
  const std::string path = folder.file(GetParam().fileName);
  std::string bytes = image.bytes();
  if (path.size() > 3 && path.substr(path.size() - 3) == ".gz") bytes = gzipped(bytes);
  if (GetParam().damage) GetParam().damage(bytes);
  writeFile(path, bytes);
  // One thread or two (reading and placing side by side), the same refusal.
  for (unsigned threads : {1u, 2u}) {
    try {
      readNiftiRun(path, threads);
      FAIL() << "accepted with " << threads << " threads";
    } catch (const CliError& error) {
      const std::string message = error.what();
      EXPECT_EQ(error.exitStatus(), kExitBadInput);
      EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << message;
      EXPECT_NE(message.find(GetParam().messagePart), std::string::npos) << message;
      EXPECT_EQ(message.find("no valid header"), std::string::npos) << message;
    }
  }
}

auto nifti2 = [](NiftiBytes& i) { i.version = 2; };
// Sets the NIfTI-1 header field at `offset` of the file's bytes to `value`.
template <typename T>
std::function<void(std::string&)> field(std::size_t offset, T value) {
  return [=](std::string& b) { std::memcpy(&b[offset], &value, sizeof value); };
}
const float kNaN = std::numeric_limits<float>::quiet_NaN();
const float kInfinity = std::numeric_limits<float>::infinity();
// Sets the extension flag of NIfTI-1 bytes and an extension of `esize` at
// byte 352; the samples start at 400.
auto withExtension = [](std::int32_t esize) {
  return [=](std::string& b) {
    b[348] = 1;
    field(352, esize)(b);
  };
};
auto samplesAt400 = [](NiftiBytes& i) { i.voxOffset = 400; };
// Flips bytes in the middle of the deflate stream, clear of the header.
auto corruptMiddle = [](std::string& b) {
  for (std::size_t i = b.size() / 2; i < b.size() / 2 + 8; ++i)
    b[i] = static_cast<char>(b[i] ^ 0x5a);
};

INSTANTIATE_TEST_SUITE_P(
    Headers, MalformedFileTest,
    ::testing::Values(
        Malformed{"Dim0Zero", [](NiftiBytes& i) { i.dim[0] = 0; }, "a.nii", "dim[0] is 0"},
        Malformed{"Dim0One", [](NiftiBytes& i) { i.dim[0] = 1; }, "a.nii", "is a 1D image (3)"},
        Malformed{"Dim0Two", [](NiftiBytes& i) { i.dim[0] = 2; }, "a.nii", "is a 2D image (3 x 2)"},
        Malformed{"Dim0Three", [](NiftiBytes& i) { i.dim[0] = 3; }, "a.nii", "is a 3D image"},
        Malformed{"Dim0Negative", [](NiftiBytes& i) { i.dim[0] = -4; }, "a.nii", "dim[0] is -4"},
        Malformed{"NegativeDim", [](NiftiBytes& i) { i.dim[2] = -3; }, "a.nii", "dim[2] is -3"},
        Malformed{"ZeroDim", [](NiftiBytes& i) { i.dim[3] = 0; }, "a.nii", "dim[3] is 0"},
        Malformed{"OneVolume", [](NiftiBytes& i) { i.dim[4] = 1; }, "a.nii", "one volume"},
        Malformed{"FiveDims", [](NiftiBytes& i) { i.dim[0] = 5, i.dim[5] = 2; }, "a.nii",
                  "has 5 dimensions"},
        Malformed{"VoxOffsetZero", [](NiftiBytes& i) { i.voxOffset = 0; }, "a.nii",
                  "vox_offset 0 points inside the header"},
        Malformed{"VoxOffsetNegative", [](NiftiBytes& i) { i.voxOffset = -352; }, "a.nii",
                  "vox_offset -352 points inside the header"},
        Malformed{"VoxOffsetInHeader", [](NiftiBytes& i) { i.voxOffset = 348; }, "a.nii",
                  "vox_offset 348 points inside the header"},
        Malformed{"VoxOffsetNan", [](NiftiBytes& i) { i.voxOffset = std::nan(""); }, "a.nii",
                  "vox_offset is nan"},
        Malformed{"VoxOffsetHuge", [](NiftiBytes& i) { i.voxOffset = 3e38; }, "a.nii",
                  "vox_offset 3e+38 lies beyond the end"},
        Malformed{"VoxOffsetFraction", [](NiftiBytes& i) { i.voxOffset = 352.5; }, "a.nii",
                  "not a whole number"},
        Malformed{"VoxOffsetPastEnd", [](NiftiBytes& i) { i.voxOffset = 1e8; }, "a.nii",
                  "vox_offset 100000000 lies beyond the end"},
        Malformed{"NoMagic", [](NiftiBytes& i) { i.magic = std::string(4, '\0'); }, "a.nii",
                  "no NIfTI-1 magic"},
        Malformed{"TwoFileMagic", [](NiftiBytes& i) { i.magic = std::string("ni1\0", 4); }, "a.nii",
                  "separate .img"},
        Malformed{"ComplexSamples", [](NiftiBytes& i) { i.datatype = DT_COMPLEX64; }, "a.nii",
                  "type COMPLEX64"},
        Malformed{"UnknownType", [](NiftiBytes& i) { i.datatype = 999; }, "a.nii", "datatype 999"},
        Malformed{"SamplesCut", [](NiftiBytes& i) { i.samples.resize(50); }, "a.nii",
                  "the image data are truncated"},
        Malformed{"NotNifti", [](NiftiBytes&) {}, "a.nii", "sizeof_hdr is ",
                  [](std::string& b) { b.replace(0, 4, "text"); }},
        Malformed{"SwappedVoxOffsetZero", [](NiftiBytes& i) { i.swapped = true, i.voxOffset = 0; },
                  "a.nii", "vox_offset 0 points inside the header"},
        // dim[0] of 65536 and more crashed nifti_clib 3.0.1 (stack overflow).
        Malformed{"Nifti2Dim0Huge", [](NiftiBytes& i) { nifti2(i), i.dim[0] = 65536; }, "a.nii",
                  "dim[0] is 65536"},
        Malformed{"Nifti2Dim0Negative", [](NiftiBytes& i) { nifti2(i), i.dim[0] = -70000; },
                  "a.nii", "dim[0] is -70000"},
        Malformed{"Nifti2Dim0Eight", [](NiftiBytes& i) { nifti2(i), i.dim[0] = 8; }, "a.nii",
                  "dim[0] is 8"},
        Malformed{"Nifti2SwappedDim0Huge",
                  [](NiftiBytes& i) { nifti2(i), i.swapped = true, i.dim[0] = 1 << 20; }, "a.nii",
                  "dim[0] is 1048576"},
        Malformed{"Nifti2VoxOffsetZero", [](NiftiBytes& i) { nifti2(i), i.voxOffset = 0; }, "a.nii",
                  "vox_offset 0 points inside the header"},
        Malformed{"Nifti2TooLarge", [](NiftiBytes& i) { nifti2(i), i.dim[1] = 1LL << 40; }, "a.nii",
                  "is too large"},
        Malformed{"Nifti2LineEndsMangled",
                  [](NiftiBytes& i) { nifti2(i), i.magic = std::string("n+2\0\n\n\032\n", 8); },
                  "a.nii", "line-end check"},
        Malformed{"Nifti2HeaderCut", nifti2, "a.nii", "cut short",
                  [](std::string& b) { b.resize(400); }},
        Malformed{"GzipHeaderChecked", [](NiftiBytes& i) { nifti2(i), i.dim[0] = 65536; },
                  "a.nii.gz", "dim[0] is 65536"},
        Malformed{"GzipDamaged", [](NiftiBytes&) {}, "a.nii.gz", "the compressed data are damaged",
                  corruptMiddle},
        Malformed{"GzipLastBytesMissing", [](NiftiBytes&) {}, "a.nii.gz",
                  "the image data are truncated", [](std::string& b) { b.resize(b.size() - 3); }},
        Malformed{"GzipTrailingGarbage", [](NiftiBytes&) {}, "a.nii.gz",
                  "5 bytes of something else follow", [](std::string& b) { b += "trash"; }},
        Malformed{"GzipCrcWrong", [](NiftiBytes&) {}, "a.nii.gz", "CRC-32 check fails",
                  [](std::string& b) { b[b.size() - 8] = static_cast<char>(b[b.size() - 8] ^ 1); }},
        Malformed{"GzipLengthWrong", [](NiftiBytes&) {}, "a.nii.gz", "length check fails",
                  [](std::string& b) { b[b.size() - 4] = static_cast<char>(b[b.size() - 4] ^ 1); }},
        Malformed{"GzipSamplesCut", [](NiftiBytes& i) { i.samples.resize(50); }, "a.nii.gz",
                  "the image data are truncated"},
        Malformed{"NotGzip", [](NiftiBytes&) {}, "a.nii.gz", "not gzip data",
                  [](std::string& b) { b = NiftiBytes::counting().bytes(); }},
        Malformed{"BitpixNotDatatypes", [](NiftiBytes&) {}, "a.nii",
                  "bitpix is 16, but datatype 16 has 32-bit samples",
                  field(offsetof(nifti_1_header, bitpix), std::int16_t{16})},
        Malformed{"PixdimNaN", [](NiftiBytes&) {}, "a.nii", "pixdim[2] is nan, but a voxel size",
                  field(offsetof(nifti_1_header, pixdim) + 8, kNaN)},
        Malformed{"PixdimInfinite", [](NiftiBytes&) {}, "a.nii", "pixdim[3] is -inf",
                  field(offsetof(nifti_1_header, pixdim) + 12, -kInfinity)},
        Malformed{"QuaternionNaN", [](NiftiBytes&) {}, "a.nii",
                  "quatern_c is nan, but with qform_code 1 it must be a finite number",
                  field(offsetof(nifti_1_header, quatern_c), kNaN)},
        Malformed{"QoffsetInfinite", [](NiftiBytes&) {}, "a.nii", "qoffset_z is inf",
                  field(offsetof(nifti_1_header, qoffset_z), kInfinity)},
        Malformed{"QfacNaN", [](NiftiBytes&) {}, "a.nii", "pixdim[0] (qfac) is nan",
                  field(offsetof(nifti_1_header, pixdim), kNaN)},
        Malformed{"SrowNaN", [](NiftiBytes&) {}, "a.nii", "srow_y[3] is nan",
                  field(offsetof(nifti_1_header, srow_y) + 12, kNaN)},
        Malformed{"ExtensionSizeOdd", samplesAt400, "a.nii",
                  "header extension 1 at byte 352 has esize 20", withExtension(20)},
        Malformed{"ExtensionPastSamples", samplesAt400, "a.nii",
                  "header extension 1 at byte 352 has esize 64", withExtension(64)},
        Malformed{"GzipExtensionNegative", [](NiftiBytes&) {}, "a.nii.gz",
                  "header extension 1 at byte 352 has esize -16",
                  [](std::string& b) {
                    NiftiBytes image = NiftiBytes::counting();
                    samplesAt400(image);
                    std::string raw = image.bytes();
                    withExtension(-16)(raw);
                    b = gzipped(raw);
                  }}),
    [](const ::testing::TestParamInfo<Malformed>& info) { return std::string(info.param.name); });

// The samples the host must receive for `image`: time course after time
// course, each value as the file's type holds it, scaled when the header
// scales.
std::vector<double> expectedTimeMajor(const NiftiBytes& image) {
  const std::size_t voxels = static_cast<std::size_t>(image.dim[1] * image.dim[2] * image.dim[3]);
  const std::size_t volumes = static_cast<std::size_t>(image.dim[4]);
  // A slope that is not a number scales nothing; nor adds such an intercept.
  const double inter = std::isfinite(image.sclInter) ? image.sclInter : 0;
  const bool scaled =
      std::isfinite(image.sclSlope) && image.sclSlope != 0 && !(image.sclSlope == 1 && inter == 0);
  std::vector<double> out;
  for (std::size_t voxel = 0; voxel < voxels; ++voxel)
    for (std::size_t t = 0; t < volumes; ++t) {
      const double v = image.samples[t * voxels + voxel];
      out.push_back(static_cast<float>(scaled ? v * image.sclSlope + inter : v));
    }
  return out;
}

std::vector<double> readSamples(const NiftiRun& run) {
  if (run.isInt16) return std::vector<double>(run.intSamples.begin(), run.intSamples.end());
  return std::vector<double>(run.floatSamples.begin(), run.floatSamples.end());
}

// A run of 64 x 64 x `slices` voxels and 100 volumes of distinct noisy
// floats: megabytes that compress poorly.
void makeNoisy(NiftiBytes& image, int slices) {
  image.dim[1] = 64, image.dim[2] = 64, image.dim[3] = slices, image.dim[4] = 100;
  image.samples.resize(std::size_t{64} * 64 * static_cast<std::size_t>(slices) * 100);
  std::uint32_t state = 12345;
  for (double& v : image.samples) {
    state = state * 1664525u + 1013904223u;
    v = static_cast<float>(state >> 8) / 7.0f;
  }
}

struct Layout {
  const char* name;
  std::function<void(NiftiBytes&)> change;
  bool gzip;
  bool int16;                                                    // handed over as 16-bit integers
  std::function<std::string(const NiftiBytes&)> file = nullptr;  // default: bytes, gzipped
};

void PrintTo(const Layout& c, std::ostream* out) { *out << c.name; }

class LayoutTest : public ::testing::TestWithParam<Layout> {};

TEST_P(LayoutTest, GivesTheHostTheFilesSamplesTimeCourseByTimeCourse) {
  TempFolder folder;
  NiftiBytes image = NiftiBytes::counting();
  GetParam().change(image);
  const std::string path = folder.file(GetParam().gzip ? "run.nii.gz" : "run.nii");
  std::string bytes = GetParam().file ? GetParam().file(image) : image.bytes();
  if (GetParam().gzip && !GetParam().file) bytes = gzipped(bytes);
  writeFile(path, bytes);
  // Another run's samples beside the file must not be read instead.
  NiftiBytes other = image;
  for (double& v : other.samples) v = 1000;
  writeFile(folder.file(GetParam().gzip ? "run.nii" : "run.nii.gz"), other.bytes());

  const NiftiRun run = readNiftiRun(path);
  EXPECT_EQ(run.isInt16, GetParam().int16);
  EXPECT_EQ(readSamples(run), expectedTimeMajor(image));
  EXPECT_EQ(run.nx, image.dim[1]);
  EXPECT_EQ(run.nt, image.dim[4]);
  EXPECT_TRUE(run.warnings.empty());
  ASSERT_TRUE(run.header);
  EXPECT_EQ(run.header->sto_xyz.m[1][1], 2.0);
}

INSTANTIATE_TEST_SUITE_P(
    Files, LayoutTest,
    ::testing::Values(
        Layout{"Float", [](NiftiBytes&) {}, false, false},
        // Time courses longer than a read chunk holds: read a pass of
        // volumes at a time, two chunks of voxels.
        Layout{"ManyVolumesFewVoxels",
               [](NiftiBytes& i) {
                 i.version = 2;
                 i.dim[1] = 65, i.dim[2] = i.dim[3] = 1, i.dim[4] = 60000;
                 i.samples.resize(std::size_t{65} * 60000);
                 for (std::size_t k = 0; k < i.samples.size(); ++k) i.samples[k] = k % 7919;
               },
               false, false},
        Layout{"WithAnExtension", samplesAt400, false, false,
               [](const NiftiBytes& i) {
                 std::string b = i.bytes();
                 withExtension(48)(b);
                 return b;
               }},
        Layout{"GzipWithAnExtension", samplesAt400, true, false,
               [](const NiftiBytes& i) {
                 std::string b = i.bytes();
                 withExtension(48)(b);
                 return gzipped(b);
               }},
        Layout{"FloatSwapped", [](NiftiBytes& i) { i.swapped = true; }, false, false},
        Layout{"Int16Nifti2", [](NiftiBytes& i) { i.version = 2, i.datatype = DT_INT16; }, false,
               true},
        Layout{"Int16Nifti2Swapped",
               [](NiftiBytes& i) { i.version = 2, i.swapped = true, i.datatype = DT_INT16; }, false,
               true},
        Layout{"ScaledUint8",
               [](NiftiBytes& i) {
                 i.datatype = DT_UINT8, i.sclSlope = 2, i.sclInter = -1;
                 for (double& v : i.samples) v = std::fmod(v, 251);
               },
               false, false},
        Layout{"ScaledInt16BecomesFloat",
               [](NiftiBytes& i) { i.datatype = DT_INT16, i.sclSlope = 0.5; }, false, false},
        Layout{"Double", [](NiftiBytes& i) { i.datatype = DT_FLOAT64; }, false, false},
        Layout{"Int64Swapped", [](NiftiBytes& i) { i.datatype = DT_INT64, i.swapped = true; },
               false, false},
        Layout{"ExtensionBeforeTheSamples", [](NiftiBytes& i) { i.voxOffset = 432; }, false, false},
        Layout{"ManyVolumes",
               [](NiftiBytes& i) {
                 i.dim[1] = 67, i.dim[2] = i.dim[3] = 1, i.dim[4] = 150;
                 i.samples.clear();
                 for (int n = 0; n < 67 * 150; ++n) i.samples.push_back(n % 977);
               },
               false, false},
        // More voxels than the reader takes at a time, the last chunk partial.
        Layout{"LargeRunInChunksOfVoxels", [](NiftiBytes& i) { makeNoisy(i, 8); }, false, false},
        Layout{"Gzip", [](NiftiBytes&) {}, true, false},
        Layout{"GzipNifti2Int16", [](NiftiBytes& i) { i.version = 2, i.datatype = DT_INT16; }, true,
               true},
        Layout{"GzipTwoMembers", [](NiftiBytes&) {}, true, false,
               [](const NiftiBytes& i) {
                 const std::string raw = i.bytes();
                 return gzipped(raw.substr(0, 500)) + gzipped(raw.substr(500));
               }},
        Layout{"GzipHeaderSplitAcrossMembers", [](NiftiBytes&) {}, true, false,
               [](const NiftiBytes& i) {
                 const std::string raw = i.bytes();
                 return gzipped(raw.substr(0, 100)) + gzipped(raw.substr(100));
               }},
        Layout{"GzipZeroPadding", [](NiftiBytes&) {}, true, false,
               [](const NiftiBytes& i) { return gzipped(i.bytes()) + std::string(16, '\0'); }},
        Layout{"GzipMoreDataThanTheImage", [](NiftiBytes&) {}, true, false,
               [](const NiftiBytes& i) { return gzipped(i.bytes() + std::string(1000, 'x')); }},
        Layout{"GzipMembersBeyondTheImage", [](NiftiBytes&) {}, true, false,
               [](const NiftiBytes& i) {
                 const std::string raw = i.bytes();
                 return gzipped(raw.substr(0, 500)) +
                        gzipped(raw.substr(500) + std::string(1000, 'x'));
               }},
        Layout{"GzipSamplesAfterALongExtension", [](NiftiBytes& i) { i.voxOffset = 2048; }, true,
               false},
        // More compressed bytes than the reader takes from the file at a
        // time and more volumes than one block, in members cut mid-sample.
        Layout{"GzipLargeNoisyRunInMembers", [](NiftiBytes& i) { makeNoisy(i, 4); }, true, false,
               [](const NiftiBytes& i) {
                 const std::string raw = i.bytes();
                 return gzipped(raw.substr(0, 3000001)) + gzipped(raw.substr(3000001));
               }}),
    [](const ::testing::TestParamInfo<Layout>& info) { return std::string(info.param.name); });

struct Warned {
  const char* name;
  std::function<void(NiftiBytes&)> change;
  const char* warningPart;
};

void PrintTo(const Warned& c, std::ostream* out) { *out << c.name; }

class WarningTest : public ::testing::TestWithParam<Warned> {};

TEST_P(WarningTest, SamplesStayAsTheFileHoldsThemAndTheRunCarriesAWarning) {
  TempFolder folder;
  NiftiBytes image = NiftiBytes::counting();
  GetParam().change(image);
  writeFile(folder.file("run.nii"), image.bytes());
  const NiftiRun run = readNiftiRun(folder.file("run.nii"));
  ASSERT_EQ(run.warnings.size(), 1u);
  EXPECT_NE(run.warnings[0].find(GetParam().warningPart), std::string::npos) << run.warnings[0];
  const std::vector<double> expected = expectedTimeMajor(image);
  const std::vector<double> got = readSamples(run);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (std::isnan(expected[i])) {
      EXPECT_TRUE(std::isnan(got[i])) << i;
    } else {
      EXPECT_EQ(got[i], expected[i]) << i;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WarningTest,
    ::testing::Values(Warned{"NonFiniteSamples",
                             [](NiftiBytes& i) {
                               i.samples[7] = std::nan("");
                               i.samples[30] = -std::numeric_limits<double>::infinity();
                             },
                             "2 of its 60 samples are NaN or infinite"},
                      Warned{"ScalingOverflows",
                             [](NiftiBytes& i) { i.datatype = DT_INT16, i.sclSlope = 1e38; },
                             "scl_slope 1e+38 and scl_inter 0 take 60 samples beyond the range"},
                      Warned{"DoubleBeyondFloat",
                             [](NiftiBytes& i) {
                               i.datatype = DT_FLOAT64;
                               i.samples[3] = 1e300;
                             },
                             "1 of its 60 samples is beyond the range of 32-bit floats"},
                      Warned{"SlopeNaN", [](NiftiBytes& i) { i.sclSlope = std::nan(""); },
                             "scl_slope is nan, which cannot scale; the samples are used as"},
                      Warned{"InterceptInfinite",
                             [](NiftiBytes& i) {
                               i.datatype = DT_INT16, i.sclSlope = 2;
                               i.sclInter = -std::numeric_limits<double>::infinity();
                             },
                             "scl_inter is -inf, which cannot be added; the samples are scaled by "
                             "scl_slope 2 alone"},
                      Warned{"ThreeVolumes",
                             [](NiftiBytes& i) {
                               i.dim[4] = 3;
                               i.samples.resize(36);
                             },
                             "only 3 volumes"}),
    [](const ::testing::TestParamInfo<Warned>& info) { return std::string(info.param.name); });

// The grid axes along the scanner's x, y and z, from the sform before the
// qform, and the grid's own order when the header says nothing usable.
TEST(WorldAxesTest, FollowTheHeadersOrientation) {
  struct Case {
    const char* name;
    int sformCode, qformCode;
    double rows[3][3];  // the 3 x 3 part of the matrix used
    std::array<int, 3> axes;
  };
  const Case cases[] = {
      {"axial, stored right to left", 1, 0, {{-3, 0, 0}, {0, 3, 0}, {0, 0, 3}}, {0, 1, 2}},
      {"sagittal: i along y, j along z, k along x",
       1,
       0,
       {{0, 0, 2}, {-2, 0, 0}, {0, 2, 0}},
       {2, 0, 1}},
      {"coronal from the qform", 0, 1, {{3, 0, 0}, {0, 0, 3}, {0, -3, 0}}, {0, 2, 1}},
      {"slightly oblique", 2, 0, {{3, 0.2, 0}, {-0.1, 3, 0.3}, {0, -0.2, 3}}, {0, 1, 2}},
      {"no code", 0, 0, {{0, 0, 2}, {2, 0, 0}, {0, 2, 0}}, {0, 1, 2}},
      {"degenerate", 1, 0, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, {0, 1, 2}},
  };
  for (const Case& c : cases) {
    nifti_image header{};
    header.sform_code = c.sformCode;
    header.qform_code = c.qformCode;
    nifti_dmat44& matrix = c.sformCode > 0 ? header.sto_xyz : header.qto_xyz;
    for (int r = 0; r < 3; ++r) {
      for (int col = 0; col < 3; ++col) matrix.m[r][col] = c.rows[r][col];
    }
    matrix.m[3][3] = 1;
    EXPECT_EQ(gridAxesOfWorld(header), c.axes) << c.name;
  }
}

}  // namespace
}  // namespace quorvel::cli
