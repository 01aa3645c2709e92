#include "analysis/vtc_geometry.h"

#include <climits>
#include <cstddef>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using quorvel::findVtcHeaderProblem;
using quorvel::mapDimensionsMatch;
using quorvel::vtcDimensions;

VTCHeader header(int x0, int x1, int y0, int y1, int z0, int z1, int res, int t) {
  VTCHeader h;
  std::memset(&h, 0xA5, sizeof h);
  h.xStart = x0;
  h.xEnd = x1;
  h.yStart = y0;
  h.yEnd = y1;
  h.zStart = z0;
  h.zEnd = z1;
  h.resolution = res;
  h.nrOfVolumes = t;
  return h;
}

TEST(VtcGeometry, ExtentsDivideByTheResolutionTruncated) {
  const VTCHeader h = header(57, 232, 52, 172, 59, 197, 3, 600);
  EXPECT_EQ("", findVtcHeaderProblem(h));
  const quorvel::VtcDimensions d = vtcDimensions(h);
  EXPECT_EQ(58, d.x);  // 175 / 3
  EXPECT_EQ(40, d.y);
  EXPECT_EQ(46, d.z);
  EXPECT_EQ(600, d.t);
  EXPECT_EQ(58u * 40u * 46u, d.voxelCount());
  EXPECT_EQ(58u * 40u * 46u * 600u, d.sampleCount());
}

TEST(VtcGeometry, HeadersThatCannotDescribeAVtc) {
  EXPECT_EQ("resolution is 0", findVtcHeaderProblem(header(0, 9, 0, 9, 0, 9, 0, 5)));
  EXPECT_EQ("resolution is -3", findVtcHeaderProblem(header(0, 9, 0, 9, 0, 9, -3, 5)));
  EXPECT_EQ("no voxel on x (start 10, end 4, resolution 1)",
            findVtcHeaderProblem(header(10, 4, 0, 9, 0, 9, 1, 5)));
  EXPECT_EQ("no voxel on y (start 0, end 2, resolution 3)",
            findVtcHeaderProblem(header(0, 9, 0, 2, 0, 9, 3, 5)));
  EXPECT_EQ("no voxel on z (start 5, end 5, resolution 1)",
            findVtcHeaderProblem(header(0, 9, 0, 9, 5, 5, 1, 5)));
  EXPECT_EQ("number of volumes is 0", findVtcHeaderProblem(header(0, 9, 0, 9, 0, 9, 1, 0)));
  EXPECT_EQ("number of volumes is -2", findVtcHeaderProblem(header(0, 9, 0, 9, 0, 9, 1, -2)));
  // The extent itself overflows 32 bits.
  EXPECT_EQ("too many voxels on x (start -2147483648, end 2147483647)",
            findVtcHeaderProblem(header(INT_MIN, INT_MAX, 0, 9, 0, 9, 1, 5)));
  // Each axis is fine, their product is not.
  EXPECT_EQ("2147483647 x 2147483647 x 9 voxels of 5 volumes are too many samples",
            findVtcHeaderProblem(header(0, INT_MAX, 0, INT_MAX, 0, 9, 1, 5)));
  EXPECT_EQ("1048576 x 1048576 x 1 voxels of 1048576 volumes are too many samples",
            findVtcHeaderProblem(header(0, 1 << 20, 0, 1 << 20, 0, 1, 1, 1 << 20)));
  // Large but possible in a 64-bit process: 256^3 voxels of 4096 volumes,
  // 256 GiB of floats. A 32-bit process cannot address that much.
  if (sizeof(std::size_t) >= 8) {
    EXPECT_EQ("", findVtcHeaderProblem(header(0, 256, 0, 256, 0, 256, 1, 4096)));
  } else {
    EXPECT_EQ("256 x 256 x 256 voxels of 4096 volumes are too many samples",
              findVtcHeaderProblem(header(0, 256, 0, 256, 0, 256, 1, 4096)));
  }
}

TEST(VtcGeometry, MapsMatchOnlyWithTheSameGrid) {
  const quorvel::VtcDimensions vtc = vtcDimensions(header(57, 232, 52, 172, 59, 197, 3, 600));
  NRVMPsHeader maps;
  std::memset(&maps, 0xA5, sizeof maps);
  maps.xStart = 57;
  maps.xEnd = 232;
  maps.yStart = 52;
  maps.yEnd = 172;
  maps.zStart = 59;
  maps.zEnd = 197;
  maps.resolution = 3;
  EXPECT_TRUE(mapDimensionsMatch(maps, vtc));
  maps.zEnd = 200;  // 141 / 3 = 47
  EXPECT_FALSE(mapDimensionsMatch(maps, vtc));
  maps.zEnd = 197;
  maps.resolution = 0;
  EXPECT_FALSE(mapDimensionsMatch(maps, vtc));
}

TEST(VtcGeometry, FilePathStopsAtTheRecordsEnd) {
  VTCHeader h;
  std::memset(&h, 'p', sizeof h);  // no terminator anywhere
  EXPECT_EQ(std::string(sizeof h.filePath, 'p'), quorvel::vtcFilePath(h));
  std::strcpy(h.filePath, "/data/run1.vtc");
  EXPECT_EQ("/data/run1.vtc", quorvel::vtcFilePath(h));
}

}  // namespace
