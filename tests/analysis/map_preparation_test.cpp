#include "analysis/map_preparation.h"

#include <string>

#include <gtest/gtest.h>

namespace {

using quorvel::composeMapDisplayName;

TEST(MapDisplayName, TakesThePartAfterTheLastForwardSlash) {
  EXPECT_EQ("Outliers (max stddev) of run1.vtc",
            composeMapDisplayName("Outliers (max stddev)", "D:/data/sub01/run1.vtc", true));
  EXPECT_EQ("TSNR of D:\\data\\sub01\\run1.vtc",
            composeMapDisplayName("TSNR", "D:\\data\\sub01\\run1.vtc", true));
  EXPECT_EQ("TSNR of run1.vtc", composeMapDisplayName("TSNR", "run1.vtc", true));
  EXPECT_EQ("TSNR of ", composeMapDisplayName("TSNR", "/data/", true));
  EXPECT_EQ("TSNR", composeMapDisplayName("TSNR", "/data/run1.vtc", false));
}

TEST(MapDisplayName, KeepsItsFirstHundredCharacters) {
  const std::string file(200, 'f');
  const std::string name = composeMapDisplayName("TSNR", "/x/" + file, true);
  EXPECT_EQ(("TSNR of " + file).substr(0, 100), name);
  EXPECT_EQ(100u, composeMapDisplayName("TSNR", file.substr(0, 92), true).size());
  EXPECT_EQ(100u, composeMapDisplayName("TSNR", file.substr(0, 93), true).size());
  EXPECT_EQ(99u, composeMapDisplayName("TSNR", file.substr(0, 91), true).size());
}

}  // namespace
