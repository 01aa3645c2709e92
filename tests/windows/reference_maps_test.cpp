// The Linux and the Windows builds give the same map values, to the last bit,
// and the same CSV file, apart from its line ends.
//
// Both builds run this test: the same deterministic 16-bit and float VTCs go
// through a full "Start" with all three maps and the CSV file, and the maps'
// bits and the CSV text must equal the reference committed beside this file
// (reference_maps.inc). The Linux suite runs it against Quorvel1_2.so, the
// Windows runner under Wine against Quorvel1_2.dll.
//
// The CSV file is written in text mode: LF line ends on Linux, CRLF on
// Windows. The reference holds LF line ends; the test expects the
// platform's own.
//
// After a deliberate change of the analysis, write a new reference with the
// Linux build and commit it (one command line):
//   QUORVEL_WRITE_REFERENCE=$PWD/tests/windows/reference_maps.inc
//   build/tests/windows/reference_maps_test
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "tests/analysis/analysis_scenario.h"

namespace quorvel_test {
namespace {

// The committed reference text.
const char kReference[] =
#include "reference_maps.inc"
    ;

#if defined(_WIN32)
constexpr char kTextLineEnd[] = "\r\n";
#else
constexpr char kTextLineEnd[] = "\n";
#endif

constexpr int kX = 4, kY = 3, kZ = 2, kVolumes = 24;
constexpr int kVoxels = kX * kY * kZ;

// A small linear congruential generator: the same numbers on every
// platform, unlike the standard library's distributions.
class Numbers {
 public:
  explicit Numbers(std::uint32_t seed) : state_(seed) {}
  // The next number in [0, range).
  int next(int range) {
    state_ = state_ * 1664525u + 1013904223u;
    return static_cast<int>((state_ >> 8) % static_cast<std::uint32_t>(range));
  }

 private:
  std::uint32_t state_;
};

// Time course of one voxel as integers: every sixth voxel is background,
// one voxel is constant, the others are noise around a voxel-dependent
// level with an occasional spike, dip or step.
std::vector<int> voxelSeries(int voxel, Numbers& numbers) {
  std::vector<int> series(kVolumes);
  const int level = voxel % 6 == 5 ? 40 : 600 + 37 * voxel;
  for (int v = 0; v < kVolumes; ++v) {
    series[v] = level + numbers.next(41) - 20;
  }
  if (voxel % 4 == 1) series[numbers.next(kVolumes)] += 150;  // spike
  if (voxel % 5 == 2) series[numbers.next(kVolumes)] -= 120;  // dip
  if (voxel % 7 == 3) {                                       // step
    const int start = numbers.next(kVolumes - 3);
    for (int v = start; v < start + 3; ++v) series[v] += 90;
  }
  if (voxel == 7) {  // standard deviation 0: TSNR is infinite
    for (int& value : series) value = 1000;
  }
  return series;
}

std::vector<std::int16_t> int16Samples() {
  Numbers numbers(20240607u);
  std::vector<std::int16_t> samples;
  for (int voxel = 0; voxel < kVoxels; ++voxel) {
    for (int value : voxelSeries(voxel, numbers)) {
      samples.push_back(static_cast<std::int16_t>(value));
    }
  }
  return samples;
}

// Float samples with fractions, most of them not exact in binary.
std::vector<float> floatSamples() {
  Numbers numbers(777u);
  std::vector<float> samples;
  for (int voxel = 0; voxel < kVoxels; ++voxel) {
    for (int value : voxelSeries(voxel, numbers)) {
      const float fraction = static_cast<float>(numbers.next(1000)) * 0.001f;
      samples.push_back(static_cast<float>(value) * 1.1f + fraction);
    }
  }
  return samples;
}

std::string hexBits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  char text[9];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(bits));
  return text;
}

// `text` with every `from` replaced by `to`.
std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos;
       at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  lines.push_back(text.substr(start));
  return lines;
}

class ReferenceMaps : public AnalysisRun {
 protected:
  // Path of `name` in the work folder with forward slashes, so that the map
  // names, which take the part after the last "/", are the same on both
  // platforms (Windows accepts either separator).
  std::string vtcPath(const std::string& name) const { return (workDir() / name).generic_string(); }

  // Every map of the VMR as a name line and eight values a line, then each
  // VTC's CSV file as its text with LF line ends.
  std::string outputs(const std::vector<std::string>& vtcNames) {
    std::string text;
    for (std::size_t i = 0; i < host().mapCount(); ++i) {
      const noravia::Map& map = host().map(i);
      text += "map " + map.name() + "\n";
      for (std::size_t j = 0; j < map.values.size(); ++j) {
        text += hexBits(map.values[j]);
        text += (j % 8 == 7 || j + 1 == map.values.size()) ? "\n" : " ";
      }
    }
    for (const std::string& name : vtcNames) {
      const std::string csvName = name.substr(0, name.size() - 3) + "csv";
      const std::string bytes = readFile(workDir() / csvName);
      checkLineEnds(csvName, bytes);
      text += "csv " + csvName + "\n" + replaceAll(bytes, kTextLineEnd, "\n");
    }
    return text;
  }

  // The CSV file uses the platform's text line end, and only that one.
  static void checkLineEnds(const std::string& name, const std::string& bytes) {
    const std::string lf = replaceAll(bytes, kTextLineEnd, "\n");
    EXPECT_EQ(lf.find('\r'), std::string::npos) << name << ": stray CR";
    EXPECT_EQ(replaceAll(lf, "\n", kTextLineEnd), bytes)
        << name << ": a line end other than the platform's";
  }
};

TEST_F(ReferenceMaps, BothBuildsGiveTheSameMapBitsAndCsvText) {
  const noravia::Box box = noravia::Box::ofVoxels(kX, kY, kZ);
  host().addIntVtc(vtcPath("reference_int16.vtc"), box, kVolumes, int16Samples());
  host().addFloatVtc(vtcPath("reference_float.vtc"), box, kVolumes, floatSamples());
  Settings settings = allMaps();
  settings.maxDeviation = 2.5;
  settings.spikeDef = 1.5;
  settings.file = true;
  settings.addVtcName = true;
  setSettings(settings);
  setFileList({vtcPath("reference_int16.vtc"), vtcPath("reference_float.vtc")});

  ASSERT_TRUE(runCommand("Start")) << logText();
  ASSERT_EQ(host().mapCount(), 6u);
  const std::string actual = outputs({"reference_int16.vtc", "reference_float.vtc"});

  if (const char* path = std::getenv("QUORVEL_WRITE_REFERENCE")) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << "// Map bits and CSV text of reference_maps_test.cpp, written by\n"
            "// the Linux build with QUORVEL_WRITE_REFERENCE set.\n"
         << "R\"reference(" << actual << ")reference\"\n";
    ASSERT_TRUE(file.good()) << "cannot write " << path;
    GTEST_SKIP() << "reference written to " << path;
  }

  // Line by line, so that a difference names its map and position.
  const std::vector<std::string> expectedLines = splitLines(kReference);
  const std::vector<std::string> actualLines = splitLines(actual);
  std::string section;
  for (std::size_t i = 0; i < expectedLines.size() && i < actualLines.size(); ++i) {
    if (expectedLines[i].compare(0, 4, "map ") == 0 ||
        expectedLines[i].compare(0, 4, "csv ") == 0) {
      section = expectedLines[i];
    }
    EXPECT_EQ(expectedLines[i], actualLines[i]) << "line " << i + 1 << " (in " << section << ")";
  }
  EXPECT_EQ(expectedLines.size(), actualLines.size());
}

}  // namespace
}  // namespace quorvel_test
