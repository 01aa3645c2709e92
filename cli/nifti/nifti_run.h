// One fMRI run read from a 4D NIfTI-1 or NIfTI-2 file.
#ifndef QUORVEL_CLI_NIFTI_NIFTI_RUN_H_
#define QUORVEL_CLI_NIFTI_NIFTI_RUN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "sim/sample_vector.h"

#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {

// The samples of a run in the host's layout, each voxel's time course in
// one piece (sample [voxel * nt + volume], voxels x fastest, then y, z),
// with the header that places the grid in space.
struct NiftiRun {
  std::string path;                     // as the user gave it
  std::int32_t nx = 0, ny = 0, nz = 0;  // voxels along each axis
  std::int32_t nt = 0;                  // volumes
  // 16-bit files without scaling stay 16-bit; everything else is float.
  bool isInt16 = false;
  noravia::SampleVector<std::int16_t> intSamples;  // when isInt16
  noravia::SampleVector<float> floatSamples;       // otherwise
  // Each voxel's mean as the plug-in computes it from these samples (a
  // single-precision running sum in volume order, divided by nt), kept
  // while reading; empty once the samples change after reading (--scale).
  std::vector<float> voxelMeans;
  NiftiImagePtr header;  // grid, affine and pixdim; holds no data
  // What makes some of the run's maps or counts meaningless, one sentence
  // each, beginning with the file's path: shown on standard error, in the
  // log and in the JSON sidecars and IQM file.
  std::vector<std::string> warnings;

  std::size_t voxelCount() const {
    return static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny) *
           static_cast<std::size_t>(nz);
  }
};

// Reads the run at `path`, the file itself and no other: the header is
// checked before anything else, then the samples are read once, straight
// into the host's layout. Throws an input error naming the file and the
// problem when it is missing, not NIfTI, damaged, not 4D, of an unusable
// data type, too large for the host, or truncated. Up to `threads` threads
// share the reading; the run read is the same for any number.
NiftiRun readNiftiRun(const std::string& path, unsigned threads = 1);

// True when `path` ends in ".nii" or ".nii.gz" (any letter case).
bool hasNiftiExtension(const std::string& path);

// The file name of `path` without its folder and without ".nii"/".nii.gz".
std::string niftiStem(const std::string& path);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_NIFTI_RUN_H_
