// A run's samples as the host hands them to the plug-in, filled block of
// volumes by block straight from the bytes of the file.
#ifndef QUORVEL_CLI_NIFTI_RUN_SAMPLES_H_
#define QUORVEL_CLI_NIFTI_RUN_SAMPLES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/sample_vector.h"

#include "cli/nifti/nifti_header.h"

namespace quorvel::cli {

// The samples of a run in the host's layout: each voxel's time course in
// one piece (out[voxel * volumes + volume]). 16-bit files without scaling
// stay 16-bit; every other type, and scaled data, become 32-bit floats.
struct RunSamples {
  bool isInt16 = false;
  noravia::SampleVector<std::int16_t> intSamples;  // when isInt16
  noravia::SampleVector<float> floatSamples;       // otherwise
  // Samples of the file that are NaN or infinite, read as they are.
  std::uint64_t nonFinite = 0;
  // Finite samples of the file that scaling or the conversion to float
  // took beyond the float range (now infinite).
  std::uint64_t overflowed = 0;
  // Each voxel's mean as the plug-in computes it from these samples: their
  // single-precision running sum in volume order, divided by the count.
  std::vector<float> voxelMeans;
};

// Where a block of samples read from a file belongs: volumes
// [firstVolume, firstVolume + volumes) of voxels [firstVoxel, firstVoxel +
// voxels), each volume's samples `rowBytes` after the previous volume's.
struct SampleBlock {
  std::size_t firstVolume = 0, volumes = 0;
  std::size_t firstVoxel = 0, voxels = 0;
  std::size_t rowBytes = 0;
};

// What a block's conversion found: samples that are NaN or infinite, and
// those that the conversion took beyond the float range.
struct SampleTally {
  std::uint64_t nonFinite = 0;
  std::uint64_t overflowed = 0;
};

// Fills RunSamples from the file's volumes as they arrive.
class RunSampleFiller {
 public:
  // Sizes the samples of the run `header` describes (a checked header).
  // Throws an input error naming `path` when memory runs out.
  RunSampleFiller(const NiftiHeader& header, const std::string& path);

  // Converts and places volumes [firstVolume, firstVolume + count), given
  // as the file stores them (any alignment, the file's byte order).
  void addVolumes(const unsigned char* block, std::size_t firstVolume, std::size_t count);
  // Converts and places a block of samples as the file stores them.
  void addBlock(const unsigned char* block, const SampleBlock& at);
  // The same, for blocks placed from several threads at once, each into
  // samples of its own: adds what it finds to `tally`, not to the samples'
  // counts, which addTally() then updates.
  void placeBlock(const unsigned char* block, const SampleBlock& at, SampleTally& tally);
  void addTally(const SampleTally& tally);

  // Has the system back the next few megabytes of the samples' memory
  // with pages (without writing to it, so it may run beside placing);
  // false once all of it is, or where the system cannot do so. Placing
  // volumes touches the memory of every time course at once, so the first
  // block would otherwise take every page fault of the run by itself.
  bool prefaultSome();

  // The samples and their voxels' means, once every volume was added.
  RunSamples take();

 private:
  const NiftiHeader& header_;
  RunSamples samples_;
  // Each voxel's running sum, which samples of a voxel reach in volume
  // order: blocks of volumes come in order, chunks of voxels hold them all.
  std::vector<float> sums_;
  std::size_t prefaulted_ = 0;  // bytes of the samples' memory backed so far
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_RUN_SAMPLES_H_
