#include "cli/motion/run_motion.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <system_error>
#include <thread>

#include "cli/motion/reference_volume.h"
#include "cli/motion/volume_gather.h"
#include "cli/motion/volume_realigner.h"

namespace quorvel::cli {
namespace {

// Each volume's mean over the whole grid. Movement within the field of
// view leaves it nearly unchanged, as a mean over a mask would not be.
std::vector<double> gridMeans(const float* volumes, std::size_t count, std::size_t voxels) {
  std::vector<double> out(count, 0.0);
  for (std::size_t k = 0; k < count; ++k) {
    for (std::size_t v = 0; v < voxels; ++v) out[k] += static_cast<double>(volumes[k * voxels + v]);
    out[k] /= static_cast<double>(voxels);
  }
  return out;
}

}  // namespace

void realignVolumes(const RealignmentReference& reference, const float* volumes, std::size_t count,
                    const RigidMotion& start, RigidMotion* out) {
  VolumeRealigner realigner(reference);
  RigidMotion previous = start;
  const std::size_t voxels = reference.grid.voxelCount();
  for (std::size_t k = 0; k < count; ++k) {
    previous = realigner.realign(volumes + k * voxels, previous);
    out[k] = previous;
  }
}

RunMotion estimateRunMotion(const SampleView& samples, const MotionGrid& grid,
                            const std::vector<std::uint8_t>& mask, const MotionOptions& options) {
  RunMotion out;
  if (samples.empty() || samples.volumes < 2) {
    out.unavailable = "the run has fewer than 2 volumes";
    return out;
  }
  if (samples.voxels != grid.voxelCount() || mask.size() != grid.voxelCount()) {
    out.unavailable = "the brain mask does not match the run's grid";
    return out;
  }
  const std::size_t voxels = grid.voxelCount();
  const std::size_t volumeCount = samples.volumes;

  std::vector<float> referenceVolume(voxels);
  if (options.referenceVolume) {
    out.referenceVolume = std::min(*options.referenceVolume, volumeCount - 1);
  } else {
    const std::size_t searched = std::min(kSteadySearchVolumes, volumeCount);
    std::vector<float> first(searched * voxels);
    gatherVolumes(samples, 0, searched, first.data());
    out.referenceVolume = firstSteadyVolume(gridMeans(first.data(), searched, voxels));
  }
  gatherVolumes(samples, out.referenceVolume, 1, referenceVolume.data());
  ReferenceOrProblem prepared =
      prepareReference(grid, referenceVolume.data(), mask, options.points);
  referenceVolume = std::vector<float>();
  if (!prepared.reference) {
    out.unavailable = prepared.problem;
    return out;
  }
  const RealignmentReference& reference = *prepared.reference;
  out.inPlaneOnly = reference.inPlaneOnly;
  out.volumes.resize(volumeCount);

  const std::size_t blocks = (volumeCount + kMotionBlockVolumes - 1) / kMotionBlockVolumes;
  std::atomic<std::size_t> nextBlock{0};
  std::exception_ptr failure;
  std::atomic<bool> failed{false};
  const auto work = [&] {
    try {
      std::vector<float> buffer(kMotionBlockVolumes * voxels);
      for (std::size_t b = nextBlock++; b < blocks && !failed; b = nextBlock++) {
        const std::size_t firstVolume = b * kMotionBlockVolumes;
        const std::size_t count = std::min(kMotionBlockVolumes, volumeCount - firstVolume);
        gatherVolumes(samples, firstVolume, count, buffer.data());
        realignVolumes(reference, buffer.data(), count, RigidMotion{}, &out.volumes[firstVolume]);
      }
    } catch (...) {
      if (!failed.exchange(true)) failure = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  const std::size_t wanted = std::min<std::size_t>(std::max(options.threads, 1u), blocks);
  for (std::size_t t = 1; t < wanted; ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {  // no thread to be had: fewer do it all
      break;
    }
  }
  work();
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
  // The reference volume is the reference: its own estimate differs from 0
  // only by rounding, which would show as movement.
  out.volumes[out.referenceVolume] = RigidMotion{};
  return out;
}

}  // namespace quorvel::cli
