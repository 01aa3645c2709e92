// Bit-exact comparison of single-precision results.
#ifndef QUORVEL_TESTS_ANALYSIS_FLOAT_BITS_H_
#define QUORVEL_TESTS_ANALYSIS_FLOAT_BITS_H_

#include <cmath>
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

namespace quorvel_test {

inline std::uint32_t floatBits(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Equal to the last bit; any two NaNs count as equal, since the sign of a
// NaN made by 0/0 depends on where it was made.
inline ::testing::AssertionResult sameFloat(float expected, float actual) {
  if (std::isnan(expected) && std::isnan(actual)) {
    return ::testing::AssertionSuccess();
  }
  if (floatBits(expected) == floatBits(actual)) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << "expected " << expected << " (bits " << std::hex << floatBits(expected) << "), got "
         << actual << " (bits " << floatBits(actual) << ")";
}

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_ANALYSIS_FLOAT_BITS_H_
