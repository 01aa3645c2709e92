// Eight courses laid side by side must hold every sample's exact value in
// its place and each course's sum in volume order, whatever the length:
// blocks of eight volumes take the vector path, the rest the plain one.
#include "cli/quality/lane_courses.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <type_traits>
#include <vector>

namespace quorvel::cli {
namespace {

// The bits of a double: the courses are copies, equal to the last bit, not
// merely values that compare equal (NaN, -0.0).
std::uint64_t bitsOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

template <typename Sample>
void expectLaidAsPlainLoops(std::size_t t) {
  std::mt19937 random(static_cast<unsigned>(t));
  std::uniform_int_distribution<int> draw(-32768, 32767);
  std::vector<std::vector<Sample>> courses(kCourseLanes, std::vector<Sample>(t));
  for (std::size_t k = 0; k < kCourseLanes; ++k) {
    for (std::size_t v = 0; v < t; ++v) {
      courses[k][v] = static_cast<Sample>(draw(random)) / static_cast<Sample>(k % 2 ? 1 : 3);
    }
  }
  // Values that a conversion or a misplaced lane would change.
  if constexpr (std::is_same_v<Sample, float>) {
    courses[1][t / 2] = std::numeric_limits<float>::quiet_NaN();
    courses[2][t - 1] = -std::numeric_limits<float>::infinity();
    courses[3][0] = -0.0f;
    courses[4][t / 3] = std::numeric_limits<float>::denorm_min();
  } else {
    courses[5][t - 1] = -32768;
    courses[6][0] = 32767;
  }
  const Sample* pointers[kCourseLanes];
  for (std::size_t k = 0; k < kCourseLanes; ++k) pointers[k] = courses[k].data();
  std::vector<double> x(kCourseLanes * t, 7.0);
  double total[kCourseLanes];
  layCourses(pointers, t, x.data(), total);
  for (std::size_t k = 0; k < kCourseLanes; ++k) {
    double plain = 0;
    for (std::size_t v = 0; v < t; ++v) {
      const double expected = static_cast<double>(courses[k][v]);
      plain += expected;
      ASSERT_EQ(bitsOf(x[v * kCourseLanes + k]), bitsOf(expected))
          << "course " << k << ", volume " << v << " of " << t;
    }
    ASSERT_EQ(bitsOf(total[k]), bitsOf(plain)) << "course " << k << " of " << t;
  }
}

class LaneCoursesTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LaneCoursesTest, HoldEverySampleAndEachCoursesSumInVolumeOrder) {
  expectLaidAsPlainLoops<float>(GetParam());
  expectLaidAsPlainLoops<std::int16_t>(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Lengths, LaneCoursesTest, ::testing::Values(1, 7, 8, 9, 16, 23, 600));

}  // namespace
}  // namespace quorvel::cli
