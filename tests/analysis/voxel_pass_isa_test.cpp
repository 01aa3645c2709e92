// Every vectorised level of the voxel pass against the scalar pass, bit for
// bit, on series chosen to break a lane that strays from the scalar order
// of operations: NaN and infinities, denormals, constant and near-constant
// runs, sums that overflow, 16-bit extremes, means at the intensity floor,
// odd and even lengths down to one volume, and voxel counts that leave the
// last tile partly empty.
#include "analysis/voxel_pass_isa.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <xmmintrin.h>

namespace {

using quorvel::MapValueArrays;
using quorvel::VoxelPassIsa;
using quorvel::VoxelWorkArrays;
using quorvel::VtcDimensions;
using quorvel::VtcSamples;

constexpr float kInf = std::numeric_limits<float>::infinity();

// One voxel's series of t float samples, of the given kind.
std::vector<float> floatSeries(int kind, int t, std::mt19937& rng) {
  std::normal_distribution<float> noise(0.0f, 1.0f);
  std::uniform_int_distribution<int> volume(0, t - 1);
  std::vector<float> s(static_cast<std::size_t>(t));
  const float level = 900.0f + 200.0f * std::generate_canonical<float, 24>(rng);
  for (float& x : s) x = level + 10.0f * noise(rng);
  switch (kind) {
    case 0:
      for (float& x : s) x = 50.0f + 5.0f * noise(rng);
      break;  // background
    case 1:
      break;  // noise
    case 2:
      for (float& x : s) x = 1000.0f;
      break;  // constant
    case 3:
      for (float& x : s) x = 1000.0f + 0.004f * noise(rng);
      break;  // sd near the floor
    case 4:
      s[volume(rng)] = std::numeric_limits<float>::quiet_NaN();
      break;
    case 5:
      s[volume(rng)] = kInf;
      break;
    case 6:
      s[volume(rng)] = -kInf;
      break;
    case 7:
      for (float& x : s) x = 1e-40f * noise(rng);
      s[0] = 1000.0f;
      break;  // denormals
    case 8:
      for (float& x : s) x = 100.0f;
      break;  // mean at the floor
    case 9:
      for (float& x : s) x = 3e38f;
      break;  // the sum overflows
    case 10:
      s[volume(rng)] += 150.0f;
      s[volume(rng)] -= 150.0f;
      break;  // spike and dip
    case 11:  // a step of several volumes
      for (int v = t / 3; v < t / 3 + 4 && v < t; ++v) s[static_cast<std::size_t>(v)] += 80.0f;
      break;
    case 12:  // arbitrary bit patterns, NaN payloads and denormals among them
      for (float& x : s) {
        const std::uint32_t bits = rng();
        std::memcpy(&x, &bits, sizeof x);
      }
      break;
    case 13:  // just above the floor, alternating widely
      for (std::size_t v = 0; v < s.size(); ++v) s[v] = (v % 2) ? 200.5f : 0.0f;
      break;
    case 14:  // a spread far beyond the mean
      for (float& x : s) x = 1000.0f + 1e30f * noise(rng);
      break;
    case 15:  // samples of both signs around a mean above the floor
      for (float& x : s) x = 150.0f + 400.0f * noise(rng);
      break;
    case 16:  // a subnormal sample in a bright voxel
      s[volume(rng)] = 1e-41f;
      break;
    case 17:  // a mean just above the floor, a tight spread
      for (float& x : s) x = 100.01f + 0.5f * noise(rng);
      break;
    case 18:  // a mean at the floor from huge samples that cancel out, in
              // an order where every running sum rounds differently
      for (std::size_t v = 0; v + 1 < s.size(); v += 2) {
        const float n = 3e7f * noise(rng);
        s[v] = 100.0f + n;
        s[v + 1] = 100.0f - n;
      }
      std::shuffle(s.begin(), s.end(), rng);
      break;
    default:  // a sum that overflows midway through the series
      for (float& x : s) x = 2e38f;
      s[0] = 1000.0f;
      break;
  }
  return s;
}

// One voxel's series of t 16-bit samples, of the given kind.
std::vector<std::int16_t> intSeries(int kind, int t, std::mt19937& rng) {
  std::uniform_int_distribution<int> any(-32768, 32767);
  std::uniform_int_distribution<int> near(980, 1020);
  std::vector<std::int16_t> s(static_cast<std::size_t>(t));
  for (std::size_t v = 0; v < s.size(); ++v) {
    int x = near(rng);
    if (kind == 1) x = any(rng);
    if (kind == 2) x = (v % 2) ? 32767 : -32768;
    if (kind == 3) x = 32767;
    if (kind == 4) x = (v == s.size() / 2) ? -32768 : 32767;
    if (kind == 5) x = -1;
    s[v] = static_cast<std::int16_t>(x);
  }
  return s;
}

struct PassResult {
  std::vector<std::uint32_t> tsnr, outliers, autocorrelation;  // map bits
  std::vector<std::int32_t> outlierCounts, spikeCounts;
};

std::vector<std::uint32_t> bitsOf(const std::vector<float>& values) {
  std::vector<std::uint32_t> bits(values.size());
  std::memcpy(bits.data(), values.data(), values.size() * sizeof(float));
  return bits;
}

PassResult runPass(VoxelPassIsa isa, const VtcSamples& samples, const VtcDimensions& d,
                   float maxDeviation, float spikeDef, bool withAutocorrelation) {
  const std::size_t voxels = d.voxelCount();
  std::vector<float> tsnr(voxels, -7.0f), outliers(voxels, -7.0f), autocorrelation(voxels, -7.0f);
  MapValueArrays maps;
  maps.tsnr = tsnr.data();
  maps.outliers = outliers.data();
  maps.laggedAutocorrelation = withAutocorrelation ? autocorrelation.data() : nullptr;
  VoxelWorkArrays work(d.t);
  quorvel::computeVoxelStatisticsAt(isa, samples, d, maxDeviation, spikeDef, maps, work);
  return {bitsOf(tsnr), bitsOf(outliers), bitsOf(autocorrelation), work.outlierCounts,
          work.spikeCounts};
}

void expectSameAsScalar(VoxelPassIsa isa, const VtcSamples& samples, const VtcDimensions& d) {
  const float thresholds[][2] = {{2.5f, 2.0f}, {0.5f, 0.25f}, {0.0f, 0.0f}};
  for (const auto& th : thresholds) {
    for (bool withAutocorrelation : {true, false}) {
      SCOPED_TRACE(testing::Message() << "maxDeviation " << th[0] << ", spikeDef " << th[1]
                                      << ", autocorrelation " << withAutocorrelation);
      const PassResult want =
          runPass(VoxelPassIsa::kScalar, samples, d, th[0], th[1], withAutocorrelation);
      const PassResult got = runPass(isa, samples, d, th[0], th[1], withAutocorrelation);
      EXPECT_EQ(want.tsnr, got.tsnr);
      EXPECT_EQ(want.outliers, got.outliers);
      EXPECT_EQ(want.autocorrelation, got.autocorrelation);
      EXPECT_EQ(want.outlierCounts, got.outlierCounts);
      EXPECT_EQ(want.spikeCounts, got.spikeCounts);
    }
  }
}

class VoxelPassLevel : public testing::TestWithParam<VoxelPassIsa> {
 protected:
  void SetUp() override {
    if (!quorvel::voxelPassIsaAvailable(GetParam())) {
      GTEST_SKIP() << "this CPU lacks " << quorvel::voxelPassIsaName(GetParam());
    }
  }
};

TEST_P(VoxelPassLevel, MatchesTheScalarPassBitForBit) {
  std::mt19937 rng(20261207);
  // 9 x 3 x 3 = 81 voxels: every tile width leaves a partial last tile.
  for (int t : {1, 2, 3, 4, 5, 6, 7, 16, 33, 200}) {
    SCOPED_TRACE(testing::Message() << "t = " << t);
    VtcDimensions d;
    d.x = 9;
    d.y = 3;
    d.z = 3;
    d.t = t;
    std::vector<float> floats;
    std::vector<std::int16_t> ints;
    for (std::size_t voxel = 0; voxel < d.voxelCount(); ++voxel) {
      const int kind = static_cast<int>(rng() % 20);
      const auto f = floatSeries(kind, t, rng);
      floats.insert(floats.end(), f.begin(), f.end());
      const auto i = intSeries(kind % 6, t, rng);
      ints.insert(ints.end(), i.begin(), i.end());
    }
    VtcSamples floatSamples;
    floatSamples.floatSamples = floats.data();
    expectSameAsScalar(GetParam(), floatSamples, d);
    VtcSamples intSamples;
    intSamples.intSamples = ints.data();
    expectSameAsScalar(GetParam(), intSamples, d);
  }
}

// A run of `voxels` voxels whose kinds come in stretches, as in an image:
// background, bright and mixed neighbourhoods in turn, so that groups are
// wholly background, wholly bright or mixed, and work tiles fill across
// groups and leave lanes over.
VtcSamples stretchedRun(std::size_t voxels, int t, std::mt19937& rng, std::vector<float>& floats,
                        std::vector<std::int16_t>& ints, bool intSamples) {
  floats.clear();
  ints.clear();
  int kind = 1;
  for (std::size_t voxel = 0; voxel < voxels; ++voxel) {
    if (voxel % 23 == 0) kind = static_cast<int>(rng() % 4);  // 0 background, 1 bright
    const int voxelKind = kind >= 2 ? static_cast<int>(rng() % 20) : kind;
    const auto f = floatSeries(voxelKind, t, rng);
    floats.insert(floats.end(), f.begin(), f.end());
    const auto i = intSeries(kind >= 2 ? static_cast<int>(rng() % 6) : 0, t, rng);
    ints.insert(ints.end(), i.begin(), i.end());
  }
  VtcSamples samples;
  if (intSamples) {
    samples.intSamples = ints.data();
  } else {
    samples.floatSamples = floats.data();
  }
  return samples;
}

TEST_P(VoxelPassLevel, MatchesTheScalarPassOverManyTiles) {
  std::mt19937 rng(7);
  std::vector<float> floats;
  std::vector<std::int16_t> ints;
  // 13 x 11 x 5 = 715 voxels: dozens of groups and several work tiles.
  for (int t : {2, 3, 37, 64}) {
    for (bool intSamples : {false, true}) {
      SCOPED_TRACE(testing::Message() << "t = " << t << (intSamples ? ", int16" : ", float"));
      VtcDimensions d;
      d.x = 13;
      d.y = 11;
      d.z = 5;
      d.t = t;
      expectSameAsScalar(GetParam(), stretchedRun(d.voxelCount(), t, rng, floats, ints, intSamples),
                         d);
    }
  }
}

// Sets the SSE control word for the life of the object.
class ControlWord {
 public:
  explicit ControlWord(unsigned word) : saved_(_mm_getcsr()) { _mm_setcsr(word); }
  ~ControlWord() { _mm_setcsr(saved_); }
  ControlWord(const ControlWord&) = delete;
  ControlWord& operator=(const ControlWord&) = delete;

 private:
  unsigned saved_;
};

// A host may leave flush-to-zero, denormals-are-zero, another rounding mode
// or an unmasked exception set; the pass must then still give the scalar
// pass's bits under it, and trap only where the scalar pass traps.
TEST_P(VoxelPassLevel, MatchesTheScalarPassUnderTheHostsControlWord) {
  struct Case {
    unsigned word;
    int t;
    float hugeSamples;  // every sample, when not 0
  };
  const Case cases[] = {
      {0x1F80u | 0x8000u | 0x0040u, 21, 0.0f},  // flush-to-zero, denormals-are-zero
      {0x1F80u | 0x6000u, 21, 0.0f},            // rounding toward zero
      {0x1F80u | 0x2000u, 21, 0.0f},            // rounding down
      // Overflow unmasked: the scalar pass over one huge volume never
      // overflows, so neither may anything computed beside it.
      {0x1F80u & ~0x0400u, 1, 2e38f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "control word " << std::hex << c.word);
    std::mt19937 rng(99);
    std::vector<float> floats;
    std::vector<std::int16_t> ints;
    VtcDimensions d;
    d.x = 9;
    d.y = 9;
    d.z = 2;
    d.t = c.t;
    const VtcSamples samples = stretchedRun(d.voxelCount(), d.t, rng, floats, ints, false);
    for (std::size_t i = 0; i < floats.size(); ++i) {
      if (c.hugeSamples != 0.0f) {
        floats[i] = c.hugeSamples;
      } else if (i % 3 == 0) {
        floats[i] *= 1e-42f;  // subnormal
      }
    }
    const ControlWord set(c.word);
    expectSameAsScalar(GetParam(), samples, d);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryLevel, VoxelPassLevel,
                         testing::Values(VoxelPassIsa::kSse2, VoxelPassIsa::kAvx2,
                                         VoxelPassIsa::kAvx512),
                         [](const testing::TestParamInfo<VoxelPassIsa>& info) {
                           return std::string(quorvel::voxelPassIsaName(info.param));
                         });

}  // namespace
