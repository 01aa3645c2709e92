#include "cli/nifti/run_samples.h"

#include <nifti1.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <type_traits>

#include "cli/base/cli_error.h"
#include "cli/nifti/memory_need.h"
#include "cli/nifti/sample_transpose.h"
#include "cli/nifti/time_major_layout.h"

namespace quorvel::cli {
namespace {

template <typename T, bool Swap>
T loadSample(const unsigned char* bytes) {
  unsigned char raw[sizeof(T)];
  if constexpr (Swap) {
    for (std::size_t i = 0; i < sizeof(T); ++i) raw[i] = bytes[sizeof(T) - 1 - i];
  } else {
    std::memcpy(raw, bytes, sizeof(T));
  }
  T value;
  std::memcpy(&value, raw, sizeof(T));
  return value;
}

// Places the block as floats: value * slope + inter in double precision when
// scaled, the value itself otherwise, counting non-finite samples and those
// that became infinite on the way.
template <typename In, bool Swap>
void addAsFloat(const NiftiHeader& header, const unsigned char* block, const SampleBlock& at,
                RunSamples& samples, float* sums, SampleTally& counts) {
  std::uint64_t nonFinite = 0, overflowed = 0;
  auto tally = [&](double value, float result) {
    if (!std::isfinite(result)) {
      if (std::isfinite(value))
        ++overflowed;
      else
        ++nonFinite;
    }
  };
  const std::size_t volumes = static_cast<std::size_t>(header.volumes());
  float* out = samples.floatSamples.data() + at.firstVoxel * volumes;
  if constexpr (std::is_same_v<In, float> && !Swap) {
    // The common case, floats in the machine's order, needs no conversion.
    if (!header.hasScaling()) {
      counts.nonFinite += transposeFloatVolumes(
          block, {at.voxels, at.rowBytes, at.firstVolume, at.volumes, volumes}, out, sums);
      return;
    }
  }
  if (header.hasScaling()) {
    const double slope = header.sclSlope, inter = header.usableInter();
    scatterVolumes(
        block, sizeof(In), at.voxels, at.rowBytes, at.firstVolume, at.volumes, volumes, out,
        [&](const unsigned char* bytes) {
          const double value = static_cast<double>(loadSample<In, Swap>(bytes));
          const float result = static_cast<float>(value * slope + inter);
          tally(value, result);
          return result;
        },
        sums);
  } else {
    scatterVolumes(
        block, sizeof(In), at.voxels, at.rowBytes, at.firstVolume, at.volumes, volumes, out,
        [&](const unsigned char* bytes) {
          const In value = loadSample<In, Swap>(bytes);
          const float result = static_cast<float>(value);
          if constexpr (std::is_floating_point_v<In>) {
            tally(static_cast<double>(value), result);
          }
          return result;
        },
        sums);
  }
  counts.nonFinite += nonFinite;
  counts.overflowed += overflowed;
}

// Places the block and adds its samples to the running sums `sums` of its
// voxels.
template <bool Swap>
void placeBlockAs(const NiftiHeader& header, const unsigned char* block, const SampleBlock& at,
                  RunSamples& samples, float* sums, SampleTally& counts) {
  if (samples.isInt16) {
    const std::size_t volumes = static_cast<std::size_t>(header.volumes());
    if constexpr (!Swap) {
      transposeInt16Volumes(block, {at.voxels, at.rowBytes, at.firstVolume, at.volumes, volumes},
                            samples.intSamples.data() + at.firstVoxel * volumes, sums);
      return;
    }
    scatterVolumes(
        block, 2, at.voxels, at.rowBytes, at.firstVolume, at.volumes, volumes,
        samples.intSamples.data() + at.firstVoxel * volumes,
        [](const unsigned char* bytes) { return loadSample<std::int16_t, Swap>(bytes); }, sums);
    return;
  }
  switch (header.datatype) {
    case DT_UINT8:
      addAsFloat<std::uint8_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_INT8:
      addAsFloat<std::int8_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_INT16:
      addAsFloat<std::int16_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_UINT16:
      addAsFloat<std::uint16_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_INT32:
      addAsFloat<std::int32_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_UINT32:
      addAsFloat<std::uint32_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_INT64:
      addAsFloat<std::int64_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_UINT64:
      addAsFloat<std::uint64_t, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_FLOAT32:
      addAsFloat<float, Swap>(header, block, at, samples, sums, counts);
      break;
    case DT_FLOAT64:
      addAsFloat<double, Swap>(header, block, at, samples, sums, counts);
      break;
    default:
      break;  // a checked header holds none other
  }
}

}  // namespace

RunSampleFiller::RunSampleFiller(const NiftiHeader& header, const std::string& path)
    : header_(header) {
  const std::size_t count = header.voxelCount() * static_cast<std::size_t>(header.volumes());
  samples_.isInt16 = header.datatype == DT_INT16 && !header.hasScaling();
  try {
    if (samples_.isInt16) {
      samples_.intSamples.resize(count);
    } else {
      samples_.floatSamples.resize(count);
    }
    sums_.assign(header.voxelCount(), 0.0f);
  } catch (const std::bad_alloc&) {
    throw notEnoughMemoryFor(path, header.voxelCount(), static_cast<std::size_t>(header.volumes()));
  }
}

void RunSampleFiller::addVolumes(const unsigned char* block, std::size_t firstVolume,
                                 std::size_t count) {
  const std::size_t voxels = header_.voxelCount();
  addBlock(block, {firstVolume, count, 0, voxels, voxels * header_.bytesPerSample()});
}

void RunSampleFiller::addBlock(const unsigned char* block, const SampleBlock& at) {
  SampleTally tally;
  placeBlock(block, at, tally);
  addTally(tally);
}

void RunSampleFiller::placeBlock(const unsigned char* block, const SampleBlock& at,
                                 SampleTally& tally) {
  float* sums = sums_.data() + at.firstVoxel;
  if (header_.swapped) {
    placeBlockAs<true>(header_, block, at, samples_, sums, tally);
  } else {
    placeBlockAs<false>(header_, block, at, samples_, sums, tally);
  }
}

RunSamples RunSampleFiller::take() {
  const double volumes = static_cast<double>(header_.volumes());
  samples_.voxelMeans = std::move(sums_);
  for (float& mean : samples_.voxelMeans) {
    mean = static_cast<float>(static_cast<double>(mean) / volumes);
  }
  return std::move(samples_);
}

bool RunSampleFiller::prefaultSome() {
#if defined(MADV_POPULATE_WRITE)
  constexpr std::size_t kPage = 4096, kSlice = std::size_t{4} << 20;
  unsigned char* start = samples_.isInt16
                             ? reinterpret_cast<unsigned char*>(samples_.intSamples.data())
                             : reinterpret_cast<unsigned char*>(samples_.floatSamples.data());
  const std::size_t bytes = samples_.isInt16 ? samples_.intSamples.size() * sizeof(std::int16_t)
                                             : samples_.floatSamples.size() * sizeof(float);
  // Whole pages inside the samples only: madvise takes page-aligned ranges.
  const std::uintptr_t first =
      (reinterpret_cast<std::uintptr_t>(start) + kPage - 1) / kPage * kPage;
  const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(start) + bytes) / kPage * kPage;
  const std::uintptr_t from = first + prefaulted_;
  if (from >= end) return false;
  const std::size_t length = std::min<std::size_t>(kSlice, end - from);
  // The address as an offset from the samples' own pointer keeps its
  // provenance, which an integer cast back to a pointer would lose.
  unsigned char* at = start + (from - reinterpret_cast<std::uintptr_t>(start));
  if (::madvise(at, length, MADV_POPULATE_WRITE) != 0) {
    prefaulted_ = end - first;  // not offered here: the placing faults them in
    return false;
  }
  prefaulted_ += length;
  return true;
#else
  return false;
#endif
}

void RunSampleFiller::addTally(const SampleTally& tally) {
  samples_.nonFinite += tally.nonFinite;
  samples_.overflowed += tally.overflowed;
}

}  // namespace quorvel::cli
