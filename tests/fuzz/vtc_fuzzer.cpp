// Arbitrary VTC headers and samples: a header the plug-in accepts must
// describe exactly the samples it reads, and the voxel pass must stay inside
// the sample, map and work arrays whatever the values (NaN, infinities,
// extremes of the 16-bit range).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "analysis/voxel_statistics.h"
#include "analysis/vtc_geometry.h"
#include "host/host_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Header fields from the first bytes; the rest are samples.
  constexpr std::size_t kFields = 9;
  if (size < kFields * 4 + 2) return 0;
  std::int32_t field[kFields];
  std::memcpy(field, data, sizeof field);
  VTCHeader header{};
  header.nrOfVolumes = field[0];
  header.xStart = field[1];
  header.xEnd = field[2];
  header.yStart = field[3];
  header.yEnd = field[4];
  header.zStart = field[5];
  header.zEnd = field[6];
  header.resolution = field[7];
  header.dataType = (field[8] & 1) ? kVTCDataTypeFloat : 1;
  if (!quorvel::findVtcHeaderProblem(header).empty()) return 0;

  const quorvel::VtcDimensions dimensions = quorvel::vtcDimensions(header);
  const std::size_t samples = dimensions.sampleCount();
  const std::uint8_t* bytes = data + sizeof field;
  const std::size_t available = size - sizeof field;
  const std::size_t sampleSize = header.dataType == kVTCDataTypeFloat ? 4 : 2;
  if (samples == 0 || samples > available / sampleSize) return 0;

  // Exactly sized arrays, so that any read or write past them is caught.
  std::vector<float> floats;
  std::vector<std::int16_t> ints;
  quorvel::VtcSamples input;
  if (sampleSize == 4) {
    floats.resize(samples);
    std::memcpy(floats.data(), bytes, samples * 4);
    input.floatSamples = floats.data();
  } else {
    ints.resize(samples);
    std::memcpy(ints.data(), bytes, samples * 2);
    input.intSamples = ints.data();
  }
  std::vector<float> tsnr(dimensions.voxelCount()), outliers(dimensions.voxelCount()),
      autocorrelation(dimensions.voxelCount());
  quorvel::MapValueArrays maps{tsnr.data(), outliers.data(), autocorrelation.data()};
  quorvel::VoxelWorkArrays work(dimensions.t);
  // Low thresholds reach the spike rules.
  quorvel::computeVoxelStatistics(input, dimensions, 0.5f, 0.25f, maps, work);
  return 0;
}
