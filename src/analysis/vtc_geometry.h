// The grid of a VTC and of the maps of the current VMR, as derived from the
// host's records, and the checks that a header can describe a VTC at all.
#ifndef QUORVEL_ANALYSIS_VTC_GEOMETRY_H_
#define QUORVEL_ANALYSIS_VTC_GEOMETRY_H_

#include <cstddef>
#include <string>

#include "host/host_records.h"

namespace quorvel {

// Voxels along x, y and z, and volumes.
struct VtcDimensions {
  int x = 0;
  int y = 0;
  int z = 0;
  int t = 0;

  // Voxels of one volume: x * y * z.
  std::size_t voxelCount() const;
  // Samples of the whole VTC: x * y * z * t.
  std::size_t sampleCount() const;
};

// What keeps `header` from describing a VTC the plug-in can read, such as
// "resolution is 0"; empty when the header is usable: a positive
// resolution, at least one voxel along every axis, at least one volume, and
// a sample array small enough to exist in this process.
std::string findVtcHeaderProblem(const VTCHeader& header);

// X, Y, Z and t of a header: each extent divided by the resolution,
// truncated toward zero. Only for a header without a problem.
VtcDimensions vtcDimensions(const VTCHeader& header);

// True when the maps described by `maps` have the VTC's x, y and z. A
// non-positive map resolution never matches.
bool mapDimensionsMatch(const NRVMPsHeader& maps, const VtcDimensions& vtc);

// The header's file path, read no further than the record's end even when
// the host left it without a terminator.
std::string vtcFilePath(const VTCHeader& header);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_VTC_GEOMETRY_H_
