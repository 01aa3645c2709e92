// The fixed NIfTI-1 (348-byte) and NIfTI-2 (540-byte) headers, parsed and
// checked by the command itself before any byte of a file reaches a library:
// a damaged header is refused with a message naming the file and the field.
#ifndef QUORVEL_CLI_NIFTI_NIFTI_HEADER_H_
#define QUORVEL_CLI_NIFTI_NIFTI_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::cli {

// Bytes of the larger header (NIfTI-2): enough to parse either version.
constexpr std::size_t kNiftiHeaderMaxSize = 540;

// The fields of a run's header the command uses, in this machine's byte
// order, whatever the version and byte order of the file.
struct NiftiHeader {
  int version = 1;        // 1 or 2
  bool swapped = false;   // the file stores the other byte order
  std::int64_t dim[8]{};  // dim[0] dimensions; unused ones are 1
  double pixdim[8]{};
  int datatype = 0;
  int bitpix = 0;              // bits per sample, as the file states them
  std::int64_t voxOffset = 0;  // byte where the samples start
  double sclSlope = 0, sclInter = 0;
  int dimInfo = 0, sliceCode = 0, xyztUnits = 0;
  std::int64_t sliceStart = 0, sliceEnd = 0;
  double sliceDuration = 0, toffset = 0;
  int qformCode = 0, sformCode = 0;
  double quatern[3]{}, qoffset[3]{};  // b, c, d and x, y, z
  double srow[3][4]{};                // rows x, y, z of the sform

  std::size_t voxelCount() const;  // dim[1] * dim[2] * dim[3]
  std::int32_t volumes() const;    // dim[4]
  std::size_t bytesPerSample() const;
  std::uint64_t dataBytes() const;  // all samples of the run
  // Scaling is in use: a finite slope other than 0, and not the identity.
  bool hasScaling() const;
  // The intercept that scaling adds (a non-finite one counts as 0).
  double usableInter() const;
};

// Parses the header at the start of `bytes` (`size` of them, at most
// kNiftiHeaderMaxSize are looked at) of the single-file NIfTI run `path`,
// and checks that it describes a 4D run of real-valued samples of the size
// bitpix states, that starts after the header, that the host can hold, and
// whose grid has finite voxel sizes and, where the header places it in
// space, a finite orientation and origin. Throws an input error naming
// `path` and the field at fault.
NiftiHeader parseNiftiHeader(const unsigned char* bytes, std::size_t size, const std::string& path);

// What the reader makes of fields of `header` that hold no usable value
// but do not touch the samples' place or the grid's geometry (a scaling
// that cannot be applied as it stands): one sentence each, for warnings.
std::vector<std::string> headerRepairs(const NiftiHeader& header);

// Checks that a file (or decompressed stream) of `availableBytes` holds all
// the samples `header` describes. Throws an input error naming `path`.
void checkSamplesFit(const NiftiHeader& header, std::uint64_t availableBytes,
                     const std::string& path);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_NIFTI_HEADER_H_
