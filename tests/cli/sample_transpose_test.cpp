// The vectorised moves into the host's layout against the sample-by-sample
// one, on grids that fill the squares and tiles partly, at odd alignments,
// and the running sums they keep against the plug-in's own additions.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "cli/nifti/sample_transpose.h"
#include "cli/nifti/time_major_layout.h"
#include "tests/analysis/float_bits.h"

namespace quorvel::cli {
namespace {

struct Shape {
  std::size_t voxels, volumes, blockVolumes, padding, misalignment;
};

// Each voxel's sum as the plug-in adds its samples for the mean: one
// double-precision addition after another, in volume order, each rounded
// to float.
template <typename Sample>
std::vector<float> pluginSums(const std::vector<Sample>& volumeMajor, std::size_t voxels) {
  std::vector<float> sums(voxels, 0.0f);
  for (std::size_t i = 0; i < volumeMajor.size(); ++i) {
    float& sum = sums[i % voxels];
    sum = static_cast<float>(static_cast<double>(sum) + static_cast<double>(volumeMajor[i]));
  }
  return sums;
}

// The same bits, or NaN in both (whose payload the order of operands sets).
void expectSameSums(const std::vector<float>& got, const std::vector<float>& expected) {
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t voxel = 0; voxel < got.size(); ++voxel) {
    if (std::isnan(expected[voxel])) {
      EXPECT_TRUE(std::isnan(got[voxel])) << "voxel " << voxel;
    } else {
      EXPECT_EQ(quorvel_test::floatBits(got[voxel]), quorvel_test::floatBits(expected[voxel]))
          << "voxel " << voxel << ": " << got[voxel] << " for " << expected[voxel];
    }
  }
}

class SampleTransposeTest : public ::testing::TestWithParam<Shape> {
 protected:
  // The run's blocks as the file stores them: `blockVolumes` volumes each,
  // rows `padding` bytes longer than their samples, `misalignment` bytes
  // off the allocation's alignment. Calls move(block, shape) per block.
  template <typename Sample, typename Move>
  void forEachBlock(const std::vector<Sample>& volumeMajor, Move move) {
    const Shape p = GetParam();
    const std::size_t rowBytes = p.voxels * sizeof(Sample) + p.padding;
    std::vector<unsigned char> bytes(p.misalignment + p.blockVolumes * rowBytes + 1);
    for (std::size_t first = 0; first < p.volumes; first += p.blockVolumes) {
      const std::size_t count = std::min(p.blockVolumes, p.volumes - first);
      unsigned char* block = bytes.data() + p.misalignment;
      for (std::size_t v = 0; v < count; ++v) {
        std::memcpy(block + v * rowBytes, volumeMajor.data() + (first + v) * p.voxels,
                    p.voxels * sizeof(Sample));
      }
      move(block, VolumeBlockShape{p.voxels, rowBytes, first, count, p.volumes});
    }
  }
};

TEST_P(SampleTransposeTest, FloatsLandAsTheSampleBySampleMovePutsThemSummedAsThePluginSums) {
  const Shape p = GetParam();
  std::mt19937 random(static_cast<unsigned>(p.voxels * 131 + p.volumes));
  std::uniform_real_distribution<float> level(-1e4f, 1e4f);
  const float specials[] = {
      std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
      -std::numeric_limits<float>::infinity(), std::numeric_limits<float>::denorm_min(),
      std::numeric_limits<float>::max(),       -0.0f};
  // Specials in about one voxel in eight; the others' sums stay finite,
  // with denormals and sums that round at every step.
  std::vector<float> volumeMajor(p.voxels * p.volumes);
  std::uint64_t expectedNonFinite = 0;
  for (std::size_t i = 0; i < volumeMajor.size(); ++i) {
    const unsigned pick = random() % 64;
    float& value = volumeMajor[i];
    value = (i % p.voxels) % 8 == 3 && pick < 6 ? specials[pick]
            : pick < 10                         ? specials[3] * static_cast<float>(pick)
                                                : level(random);
    expectedNonFinite += std::isfinite(value) ? 0 : 1;
  }
  // The widest squares this processor has, and the 128-bit ones.
  std::vector<float> fast(volumeMajor.size(), 7.0f), narrow(volumeMajor.size(), 7.0f);
  std::vector<float> plain(volumeMajor.size(), 7.0f);
  std::vector<float> fastSums(p.voxels, 0.0f), narrowSums(p.voxels, 0.0f);
  std::vector<float> plainSums(p.voxels, 0.0f);
  std::uint64_t nonFinite = 0, narrowNonFinite = 0;
  forEachBlock(volumeMajor, [&](const unsigned char* block, const VolumeBlockShape& shape) {
    nonFinite += transposeFloatVolumes(block, shape, fast.data(), fastSums.data());
    narrowNonFinite +=
        transposeFloatVolumes(block, shape, narrow.data(), narrowSums.data(), SquareWidth::k128);
    scatterVolumes(
        block, sizeof(float), shape.voxelCount, shape.rowBytes, shape.firstVolume,
        shape.blockVolumes, shape.volumeCount, plain.data(),
        [](const unsigned char* bytes) {
          float value;
          std::memcpy(&value, bytes, sizeof value);
          return value;
        },
        plainSums.data());
  });
  EXPECT_EQ(nonFinite, expectedNonFinite);
  EXPECT_EQ(narrowNonFinite, expectedNonFinite);
  const std::vector<float> expectedSums = pluginSums(volumeMajor, p.voxels);
  expectSameSums(fastSums, expectedSums);
  expectSameSums(narrowSums, expectedSums);
  expectSameSums(plainSums, expectedSums);
  ASSERT_EQ(std::memcmp(fast.data(), plain.data(), fast.size() * sizeof(float)), 0);
  ASSERT_EQ(std::memcmp(narrow.data(), plain.data(), narrow.size() * sizeof(float)), 0);
  for (std::size_t voxel = 0; voxel < p.voxels; ++voxel) {
    for (std::size_t volume = 0; volume < p.volumes; ++volume) {
      ASSERT_EQ(quorvel_test::floatBits(fast[voxel * p.volumes + volume]),
                quorvel_test::floatBits(volumeMajor[volume * p.voxels + voxel]))
          << "voxel " << voxel << ", volume " << volume;
    }
  }
}

TEST_P(SampleTransposeTest, Int16SamplesLandInEachVoxelsTimeCourseSummedAsThePluginSums) {
  const Shape p = GetParam();
  std::vector<std::int16_t> volumeMajor(p.voxels * p.volumes);
  for (std::size_t i = 0; i < volumeMajor.size(); ++i) {
    volumeMajor[i] = static_cast<std::int16_t>(i * 40503u);  // every bit pattern in reach
  }
  // Every third voxel at the largest value: past 512 volumes its float
  // sum exceeds 2^24 and rounds at each addition.
  for (std::size_t i = 0; i < volumeMajor.size(); i += 3) volumeMajor[i] = 32767;
  std::vector<std::int16_t> fast(volumeMajor.size(), 7);
  std::vector<float> fastSums(p.voxels, 0.0f);
  forEachBlock(volumeMajor, [&](const unsigned char* block, const VolumeBlockShape& shape) {
    transposeInt16Volumes(block, shape, fast.data(), fastSums.data());
  });
  expectSameSums(fastSums, pluginSums(volumeMajor, p.voxels));
  for (std::size_t voxel = 0; voxel < p.voxels; ++voxel) {
    for (std::size_t volume = 0; volume < p.volumes; ++volume) {
      ASSERT_EQ(fast[voxel * p.volumes + volume], volumeMajor[volume * p.voxels + voxel])
          << "voxel " << voxel << ", volume " << volume;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Grids, SampleTransposeTest,
                         ::testing::Values(Shape{1, 1, 1, 0, 0}, Shape{3, 5, 5, 0, 1},
                                           Shape{8, 8, 8, 0, 0}, Shape{64, 64, 64, 0, 0},
                                           // Tiles and squares with partial edges, blocks of
                                           // volumes that end mid-square, padded and odd rows.
                                           Shape{70, 67, 7, 192, 3}, Shape{129, 130, 64, 4, 2},
                                           Shape{203, 19, 19, 2, 1}, Shape{17, 200, 13, 0, 0},
                                           Shape{9, 1100, 100, 6, 1}));

}  // namespace
}  // namespace quorvel::cli
