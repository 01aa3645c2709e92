// NIfTI files made byte by byte in the tests, so that every header field
// can be set to what a damaged or unusual file holds.
#ifndef QUORVEL_TESTS_CLI_NIFTI_BYTES_H_
#define QUORVEL_TESTS_CLI_NIFTI_BYTES_H_

#include <nifti1.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cli_test {

// A single-file NIfTI image: header fields, then samples volume after
// volume (x fastest) in `datatype`.
struct NiftiBytes {
  int version = 1;       // 1 or 2
  bool swapped = false;  // written in the other byte order
  std::int64_t dim[8] = {4, 3, 2, 2, 5, 1, 1, 1};
  int datatype = DT_FLOAT32;
  std::optional<double> voxOffset;  // unset: after the header and its extension flag
  double sclSlope = 0, sclInter = 0;
  std::string magic;            // raw bytes; "" for the version's own
  std::vector<double> samples;  // dim[1..4] product of them

  // Values 1000 + 10 * voxel + volume (all different, all exact in float).
  static NiftiBytes counting(int version = 1, int datatype = DT_FLOAT32);
  // The file's bytes: header, zero extension flag (padded to the offset),
  // samples.
  std::string bytes() const;
};

// `raw` compressed by zlib at `level` with `windowBits` (15 + 16: a gzip
// member; -15: raw deflate), ending with `flush` (Z_FINISH closes the
// stream; Z_FULL_FLUSH leaves it open, byte-aligned and without history).
std::string deflated(const std::string& raw, int level, int windowBits, int flush);

// `raw` compressed as one gzip member.
std::string gzipped(const std::string& raw);

}  // namespace cli_test

#endif  // QUORVEL_TESTS_CLI_NIFTI_BYTES_H_
