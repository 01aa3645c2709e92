#include "analysis/voxel_pass_isa.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

#include "analysis/voxel_pass_job.h"

#if defined(QUORVEL_VOXEL_PASS_X86)
#include <xmmintrin.h>
#endif

namespace quorvel {
namespace {

#if defined(QUORVEL_VOXEL_PASS_X86)
// Asks the CPU (and, through it, whether the operating system saves the
// wider registers) which kernels can run here.
bool cpuRuns(VoxelPassIsa isa) {
  __builtin_cpu_init();
  switch (isa) {
    case VoxelPassIsa::kScalar:
    case VoxelPassIsa::kSse2:
      return __builtin_cpu_supports("sse2");
    case VoxelPassIsa::kAvx2:
      return __builtin_cpu_supports("avx2");
    case VoxelPassIsa::kAvx512:
      return __builtin_cpu_supports("avx512f");
  }
  return false;
}

// The kernels use single-precision operations where they give the scalar
// pass's bits under round-to-nearest, which flush-to-zero, denormals-are-zero
// or another rounding mode would break, and they compute lanes the scalar
// pass never computes, which must not trap. So they run only under the
// default SSE control word (a host may set another); otherwise the scalar
// pass does, under whatever the host set.
bool controlWordIsDefault() {
  constexpr unsigned kControlBits = 0xFFC0u;     // all but the sticky flags
  constexpr unsigned kDefaultControl = 0x1F80u;  // exceptions masked, nearest
  return (_mm_getcsr() & kControlBits) == kDefaultControl;
}
#endif

// A tile buffer of t time steps for the widest tile, aligned for the
// widest vectors; empty when the memory is not there, and the scalar pass
// then runs instead.
struct TileBuffer {
  explicit TileBuffer(int t) {
    const std::size_t floats =
        static_cast<std::size_t>(kVoxelPassTileFloatsPerVolume) *
            static_cast<std::size_t>(t) +
        kAlignment / sizeof(float);
    storage.reset(new (std::nothrow) float[floats]);
    if (storage) {
      const auto address = reinterpret_cast<std::uintptr_t>(storage.get());
      const std::uintptr_t skip =
          (kAlignment - address % kAlignment) % kAlignment;
      aligned = storage.get() + skip / sizeof(float);
    }
  }
  static constexpr std::size_t kAlignment = 64;
  std::unique_ptr<float[]> storage;
  float* aligned = nullptr;
};

}  // namespace

bool voxelPassIsaAvailable(VoxelPassIsa isa) {
  if (isa == VoxelPassIsa::kScalar) return true;
#if defined(QUORVEL_VOXEL_PASS_X86)
  return cpuRuns(isa);
#else
  return false;
#endif
}

VoxelPassIsa fastestVoxelPassIsa() {
  for (VoxelPassIsa isa :
       {VoxelPassIsa::kAvx512, VoxelPassIsa::kAvx2, VoxelPassIsa::kSse2}) {
    if (voxelPassIsaAvailable(isa)) return isa;
  }
  return VoxelPassIsa::kScalar;
}

const char* voxelPassIsaName(VoxelPassIsa isa) {
  switch (isa) {
    case VoxelPassIsa::kScalar:
      return "scalar";
    case VoxelPassIsa::kSse2:
      return "sse2";
    case VoxelPassIsa::kAvx2:
      return "avx2";
    case VoxelPassIsa::kAvx512:
      return "avx512";
  }
  return "unknown";
}

void computeVoxelStatisticsAt(VoxelPassIsa isa, const VtcSamples& samples,
                              const VtcDimensions& dimensions,
                              float maxDeviation, float spikeDefinition,
                              const MapValueArrays& maps,
                              VoxelWorkArrays& work) {
  const std::size_t volumes =
      static_cast<std::size_t>(dimensions.t > 0 ? dimensions.t : 0);
  if (dimensions.x <= 0 || dimensions.y <= 0 || dimensions.z <= 0 ||
      dimensions.t <= 0 || work.timeCourse.size() < volumes ||
      work.outlierCounts.size() < volumes ||
      work.spikeCounts.size() < volumes) {
    return;
  }
  if (samples.floatSamples == nullptr && samples.intSamples == nullptr) return;

  // The tile buffer takes a tile's width of floats a volume whatever the
  // VTC's size: with fewer voxels than that it would outweigh the samples
  // (a VTC of one voxel and 10^6 volumes would need 256 MB for 4 MB of
  // samples), and the scalar pass gives the same bits.
  const bool tileFits = dimensions.voxelCount() >=
                        static_cast<std::size_t>(kVoxelPassTileFloatsPerVolume);
  void (*kernel)(const VoxelPassJob&) = nullptr;
#if defined(QUORVEL_VOXEL_PASS_X86)
  if (tileFits && voxelPassIsaAvailable(isa) && controlWordIsDefault()) {
    switch (isa) {
      case VoxelPassIsa::kScalar:
        break;
      case VoxelPassIsa::kSse2:
        kernel = runVoxelPassSse2;
        break;
      case VoxelPassIsa::kAvx2:
        kernel = runVoxelPassAvx2;
        break;
      case VoxelPassIsa::kAvx512:
        kernel = runVoxelPassAvx512;
        break;
    }
  }
#else
  (void)isa;
  (void)tileFits;
#endif
  const TileBuffer tile(kernel != nullptr ? dimensions.t : 0);
  if (kernel == nullptr || tile.aligned == nullptr) {
    computeVoxelStatisticsScalar(samples, dimensions, maxDeviation,
                                 spikeDefinition, maps, work);
    return;
  }

  VoxelPassJob job;
  job.floatSamples = samples.floatSamples;
  job.intSamples = samples.floatSamples ? nullptr : samples.intSamples;
  job.voxelCount = dimensions.voxelCount();
  job.t = dimensions.t;
  job.maxDeviation = maxDeviation;
  job.spikeDefinition = spikeDefinition;
  job.tsnr = maps.tsnr;
  job.outliers = maps.outliers;
  job.laggedAutocorrelation = maps.laggedAutocorrelation;
  job.outlierCounts = work.outlierCounts.data();
  job.spikeCounts = work.spikeCounts.data();
  job.tile = tile.aligned;
  kernel(job);
}

}  // namespace quorvel
