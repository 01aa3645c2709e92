#include "analysis/vtc_geometry.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace quorvel {
namespace {

// Voxels between `start` and `end` at `resolution`, without overflow.
std::int64_t voxelsAlong(std::int32_t start, std::int32_t end,
                         std::int32_t resolution) {
  return (static_cast<std::int64_t>(end) - start) / resolution;
}

// printf-style text of a header problem.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
formatProblem(const char* format, ...) {
  char text[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

// The problem of one axis, if the extent from `start` to `end` holds no
// voxel or more voxels than an int counts.
std::string findAxisProblem(char axis, std::int32_t start, std::int32_t end,
                            std::int32_t resolution) {
  const std::int64_t voxels = voxelsAlong(start, end, resolution);
  if (voxels < 1) {
    return formatProblem("no voxel on %c (start %d, end %d, resolution %d)",
                         axis, static_cast<int>(start), static_cast<int>(end),
                         static_cast<int>(resolution));
  }
  if (voxels > std::numeric_limits<int>::max()) {
    return formatProblem("too many voxels on %c (start %d, end %d)", axis,
                         static_cast<int>(start), static_cast<int>(end));
  }
  return std::string();
}

}  // namespace

std::size_t VtcDimensions::voxelCount() const {
  return static_cast<std::size_t>(x) * static_cast<std::size_t>(y) *
         static_cast<std::size_t>(z);
}

std::size_t VtcDimensions::sampleCount() const {
  return voxelCount() * static_cast<std::size_t>(t);
}

std::string findVtcHeaderProblem(const VTCHeader& header) {
  if (header.resolution <= 0) {
    return formatProblem("resolution is %d",
                         static_cast<int>(header.resolution));
  }
  std::string problem =
      findAxisProblem('x', header.xStart, header.xEnd, header.resolution);
  if (problem.empty()) {
    problem =
        findAxisProblem('y', header.yStart, header.yEnd, header.resolution);
  }
  if (problem.empty()) {
    problem =
        findAxisProblem('z', header.zStart, header.zEnd, header.resolution);
  }
  if (!problem.empty()) return problem;
  if (header.nrOfVolumes < 1) {
    return formatProblem("number of volumes is %d",
                         static_cast<int>(header.nrOfVolumes));
  }

  // Each factor is below 2^31. The samples, at the width of the largest
  // sample type, must fit what one array can span in this process: half the
  // address space on 32-bit systems, 2^47 bytes (all a 64-bit process's
  // user space can hold) elsewhere.
  const VtcDimensions d = vtcDimensions(header);
  const std::uint64_t largestArray = std::min<std::uint64_t>(
      static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max()),
      std::uint64_t{1} << 47);
  const std::uint64_t limit = largestArray / sizeof(float);
  std::uint64_t samples = 1;
  for (const int factor : {d.x, d.y, d.z, d.t}) {
    if (samples > limit / static_cast<std::uint64_t>(factor)) {
      return formatProblem(
          "%d x %d x %d voxels of %d volumes are too many samples", d.x, d.y,
          d.z, d.t);
    }
    samples *= static_cast<std::uint64_t>(factor);
  }
  return std::string();
}

VtcDimensions vtcDimensions(const VTCHeader& header) {
  VtcDimensions d;
  d.x = static_cast<int>(
      voxelsAlong(header.xStart, header.xEnd, header.resolution));
  d.y = static_cast<int>(
      voxelsAlong(header.yStart, header.yEnd, header.resolution));
  d.z = static_cast<int>(
      voxelsAlong(header.zStart, header.zEnd, header.resolution));
  d.t = header.nrOfVolumes;
  return d;
}

bool mapDimensionsMatch(const NRVMPsHeader& maps, const VtcDimensions& vtc) {
  if (maps.resolution <= 0) return false;
  return voxelsAlong(maps.xStart, maps.xEnd, maps.resolution) == vtc.x &&
         voxelsAlong(maps.yStart, maps.yEnd, maps.resolution) == vtc.y &&
         voxelsAlong(maps.zStart, maps.zEnd, maps.resolution) == vtc.z;
}

std::string vtcFilePath(const VTCHeader& header) {
  const char* path = header.filePath;
  const void* end = std::memchr(path, '\0', sizeof header.filePath);
  const std::size_t length =
      end ? static_cast<std::size_t>(static_cast<const char*>(end) - path)
          : sizeof header.filePath;
  return std::string(path, length);
}

}  // namespace quorvel
