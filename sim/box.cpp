#include "simulated_host.h"

namespace noravia {
namespace {

std::int32_t voxelsAlong(std::int32_t start, std::int32_t end,
                         std::int32_t resolution) {
  if (resolution == 0) return 0;
  const std::int64_t extent = std::int64_t{end} - start;
  return static_cast<std::int32_t>(extent / resolution);
}

}  // namespace

std::int32_t Box::dimX() const { return voxelsAlong(xStart, xEnd, resolution); }
std::int32_t Box::dimY() const { return voxelsAlong(yStart, yEnd, resolution); }
std::int32_t Box::dimZ() const { return voxelsAlong(zStart, zEnd, resolution); }

std::int64_t Box::voxelCount() const {
  const std::int64_t x = dimX(), y = dimY(), z = dimZ();
  if (x <= 0 || y <= 0 || z <= 0) return 0;
  return x * y * z;
}

Box Box::ofVoxels(int dimX, int dimY, int dimZ, int resolution) {
  Box box;
  box.xEnd = dimX * resolution;
  box.yEnd = dimY * resolution;
  box.zEnd = dimZ * resolution;
  box.resolution = resolution;
  return box;
}

bool operator==(const Box& a, const Box& b) {
  return a.xStart == b.xStart && a.xEnd == b.xEnd && a.yStart == b.yStart &&
         a.yEnd == b.yEnd && a.zStart == b.zStart && a.zEnd == b.zEnd &&
         a.resolution == b.resolution;
}

}  // namespace noravia
