#include "cli/nifti/nifti_header.h"

#include <nifti1.h>
#include <nifti2.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <sstream>

#include "cli/base/cli_error.h"
#include "cli/base/number_text.h"

namespace quorvel::cli {
namespace {

// Reads a field of type T at `offset`, turning it into this machine's byte
// order. The field offsets come from the library's packed header structs,
// so they are the format's, not a copy of them.
class FieldReader {
 public:
  FieldReader(const unsigned char* bytes, bool swapped) : bytes_(bytes), swapped_(swapped) {}

  template <typename T>
  T get(std::size_t offset) const {
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, bytes_ + offset, sizeof(T));
    if (swapped_) {
      for (std::size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(raw[i], raw[sizeof(T) - 1 - i]);
    }
    T value;
    std::memcpy(&value, raw, sizeof(T));
    return value;
  }

 private:
  const unsigned char* bytes_;
  bool swapped_;
};

std::uint32_t byteSwapped(std::uint32_t v) {
  return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

std::string dimensionsText(const std::int64_t dim[8], std::int64_t count) {
  std::string text;
  for (std::int64_t d = 1; d <= count; ++d) {
    if (d > 1) text += " x ";
    text += std::to_string(dim[d]);
  }
  return text;
}

const char* typeName(int datatype) {
  switch (datatype) {
    case DT_BINARY:
      return "BINARY";
    case DT_COMPLEX64:
      return "COMPLEX64";
    case DT_COMPLEX128:
      return "COMPLEX128";
    case DT_COMPLEX256:
      return "COMPLEX256";
    case DT_FLOAT128:
      return "FLOAT128";
    case DT_RGB24:
      return "RGB24";
    case DT_RGBA32:
      return "RGBA32";
    default:
      return nullptr;
  }
}

std::size_t sampleSize(int datatype) {
  switch (datatype) {
    case DT_UINT8:
    case DT_INT8:
      return 1;
    case DT_INT16:
    case DT_UINT16:
      return 2;
    case DT_INT32:
    case DT_UINT32:
    case DT_FLOAT32:
      return 4;
    case DT_INT64:
    case DT_UINT64:
    case DT_FLOAT64:
      return 8;
    default:
      return 0;  // not a plain real number type
  }
}

CliError headerError(const std::string& path, const std::string& problem) {
  return inputError(path + ": " + problem);
}

void readNifti1(const FieldReader& field, NiftiHeader& h) {
  using H = nifti_1_header;
  for (std::size_t d = 0; d < 8; ++d) {
    h.dim[d] = field.get<std::int16_t>(offsetof(H, dim) + 2 * d);
    h.pixdim[d] = field.get<float>(offsetof(H, pixdim) + 4 * d);
  }
  h.datatype = field.get<std::int16_t>(offsetof(H, datatype));
  h.bitpix = field.get<std::int16_t>(offsetof(H, bitpix));
  h.sclSlope = field.get<float>(offsetof(H, scl_slope));
  h.sclInter = field.get<float>(offsetof(H, scl_inter));
  h.dimInfo = field.get<std::uint8_t>(offsetof(H, dim_info));
  h.sliceCode = field.get<std::uint8_t>(offsetof(H, slice_code));
  h.xyztUnits = field.get<std::uint8_t>(offsetof(H, xyzt_units));
  h.sliceStart = field.get<std::int16_t>(offsetof(H, slice_start));
  h.sliceEnd = field.get<std::int16_t>(offsetof(H, slice_end));
  h.sliceDuration = field.get<float>(offsetof(H, slice_duration));
  h.toffset = field.get<float>(offsetof(H, toffset));
  h.qformCode = field.get<std::int16_t>(offsetof(H, qform_code));
  h.sformCode = field.get<std::int16_t>(offsetof(H, sform_code));
  h.quatern[0] = field.get<float>(offsetof(H, quatern_b));
  h.quatern[1] = field.get<float>(offsetof(H, quatern_c));
  h.quatern[2] = field.get<float>(offsetof(H, quatern_d));
  h.qoffset[0] = field.get<float>(offsetof(H, qoffset_x));
  h.qoffset[1] = field.get<float>(offsetof(H, qoffset_y));
  h.qoffset[2] = field.get<float>(offsetof(H, qoffset_z));
  const std::size_t rows[3] = {offsetof(H, srow_x), offsetof(H, srow_y), offsetof(H, srow_z)};
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 4; ++c) h.srow[r][c] = field.get<float>(rows[r] + 4 * c);
}

void readNifti2(const FieldReader& field, NiftiHeader& h) {
  using H = nifti_2_header;
  for (std::size_t d = 0; d < 8; ++d) {
    h.dim[d] = field.get<std::int64_t>(offsetof(H, dim) + 8 * d);
    h.pixdim[d] = field.get<double>(offsetof(H, pixdim) + 8 * d);
  }
  h.datatype = field.get<std::int16_t>(offsetof(H, datatype));
  h.bitpix = field.get<std::int16_t>(offsetof(H, bitpix));
  h.voxOffset = field.get<std::int64_t>(offsetof(H, vox_offset));
  h.sclSlope = field.get<double>(offsetof(H, scl_slope));
  h.sclInter = field.get<double>(offsetof(H, scl_inter));
  h.dimInfo = field.get<std::uint8_t>(offsetof(H, dim_info));
  h.sliceCode = field.get<std::int32_t>(offsetof(H, slice_code));
  h.xyztUnits = field.get<std::int32_t>(offsetof(H, xyzt_units));
  h.sliceStart = field.get<std::int64_t>(offsetof(H, slice_start));
  h.sliceEnd = field.get<std::int64_t>(offsetof(H, slice_end));
  h.sliceDuration = field.get<double>(offsetof(H, slice_duration));
  h.toffset = field.get<double>(offsetof(H, toffset));
  h.qformCode = field.get<std::int32_t>(offsetof(H, qform_code));
  h.sformCode = field.get<std::int32_t>(offsetof(H, sform_code));
  h.quatern[0] = field.get<double>(offsetof(H, quatern_b));
  h.quatern[1] = field.get<double>(offsetof(H, quatern_c));
  h.quatern[2] = field.get<double>(offsetof(H, quatern_d));
  h.qoffset[0] = field.get<double>(offsetof(H, qoffset_x));
  h.qoffset[1] = field.get<double>(offsetof(H, qoffset_y));
  h.qoffset[2] = field.get<double>(offsetof(H, qoffset_z));
  const std::size_t rows[3] = {offsetof(H, srow_x), offsetof(H, srow_y), offsetof(H, srow_z)};
  for (std::size_t r = 0; r < 3; ++r)
    for (std::size_t c = 0; c < 4; ++c) h.srow[r][c] = field.get<double>(rows[r] + 8 * c);
}

// The magic says a single-file image of the version; a two-file ("ni1")
// magic or none at all is refused, since the samples would have to come
// from elsewhere or the header is not NIfTI.
void checkMagic(const unsigned char* bytes, int version, const std::string& path) {
  if (version == 1) {
    const unsigned char* magic = bytes + offsetof(nifti_1_header, magic);
    if (std::memcmp(magic, "n+1", 4) == 0) return;
    if (std::memcmp(magic, "ni1", 4) == 0) {
      throw headerError(path,
                        "the magic \"ni1\" says the samples are in a separate .img "
                        "file; a run must be a single .nii or .nii.gz file");
    }
    throw headerError(path,
                      "not a NIfTI file (the magic field holds no NIfTI-1 magic "
                      "\"n+1\": an ANALYZE 7.5 header, or a damaged one)");
  }
  const unsigned char* magic = bytes + offsetof(nifti_2_header, magic);
  if (std::memcmp(magic, "ni2", 4) == 0) {
    throw headerError(path,
                      "the magic \"ni2\" says the samples are in a separate .img "
                      "file; a run must be a single .nii or .nii.gz file");
  }
  if (std::memcmp(magic, "n+2", 4) != 0) {
    throw headerError(path, "not a NIfTI file (the magic field holds no NIfTI-2 magic \"n+2\")");
  }
  // The four bytes after it catch a file mangled by line-end conversion;
  // all zero is tolerated, as some writers leave them so.
  static const unsigned char kEnds[4] = {'\r', '\n', 032, '\n'};
  static const unsigned char kZeros[4] = {0, 0, 0, 0};
  if (std::memcmp(magic + 4, kEnds, 4) != 0 && std::memcmp(magic + 4, kZeros, 4) != 0) {
    throw headerError(path,
                      "the magic's line-end check bytes are damaged (the file went "
                      "through a text-mode copy?)");
  }
}

void checkDimensions(const NiftiHeader& h, const std::string& path) {
  const std::int64_t rank = h.dim[0];
  if (rank < 0 || rank > 7) {
    throw headerError(path, "dim[0] is " + std::to_string(rank) +
                                ", but a NIfTI image has 1 to 7 dimensions (a damaged header)");
  }
  if (rank == 0) {
    throw headerError(path,
                      "dim[0] is 0: the header gives no dimensions; a run must be 4D: "
                      "x, y, z and time");
  }
  for (int d = 1; d <= rank; ++d) {
    if (h.dim[d] < 1) {
      throw headerError(path, "dim[" + std::to_string(d) + "] is " + std::to_string(h.dim[d]) +
                                  " (" + dimensionsText(h.dim, rank) +
                                  "); every dimension needs at least 1 voxel");
    }
  }
  if (rank < 3) {
    throw headerError(path, "is a " + std::to_string(rank) + "D image (" +
                                dimensionsText(h.dim, rank) +
                                "); a run must be 4D: x, y, z and time");
  }
  for (int d = 5; d <= rank; ++d) {
    if (h.dim[d] > 1) {
      throw headerError(path, "has " + std::to_string(rank) + " dimensions (" +
                                  dimensionsText(h.dim, rank) +
                                  "); a run must be 4D: x, y, z and time");
    }
  }
  if (rank == 3 || h.dim[4] < 2) {
    throw headerError(path, "is a 3D image (" + dimensionsText(h.dim, rank) +
                                ", one volume); a run needs a 4D image with several volumes");
  }
  const std::int64_t int32Max = std::numeric_limits<std::int32_t>::max();
  std::int64_t samples = 1;
  for (int d = 1; d <= 4; ++d) {
    if (h.dim[d] > int32Max / samples) {
      throw headerError(path, "is too large (" + dimensionsText(h.dim, rank) +
                                  "); the host takes at most 2^31-1 samples per run");
    }
    samples *= h.dim[d];
  }
}

void checkDatatype(const NiftiHeader& h, const std::string& path) {
  if (sampleSize(h.datatype) != 0) return;
  const char* name = typeName(h.datatype);
  if (name != nullptr) {
    throw headerError(path, std::string("has samples of type ") + name +
                                ", which is not a plain real number type");
  }
  throw headerError(path, "datatype " + std::to_string(h.datatype) +
                              " is not a NIfTI sample type (a damaged header)");
}

// bitpix repeats the sample size datatype gives; when they disagree, one of
// them is damaged and the samples cannot be told apart with certainty.
void checkBitpix(const NiftiHeader& h, const std::string& path) {
  const std::size_t bits = 8 * sampleSize(h.datatype);
  if (h.bitpix == static_cast<int>(bits)) return;
  throw headerError(path, "bitpix is " + std::to_string(h.bitpix) + ", but datatype " +
                              std::to_string(h.datatype) + " has " + std::to_string(bits) +
                              "-bit samples (a damaged header)");
}

void requireFinite(double value, const std::string& field, const std::string& use,
                   const std::string& path) {
  if (std::isfinite(value)) return;
  throw headerError(path, field + " is " + numberText(value) + ", but " + use +
                              " must be a finite number (a damaged header)");
}

// A grid whose voxel size, orientation or origin is not a number cannot be
// placed in space; any value put in its stead would move the maps silently.
void checkGeometry(const NiftiHeader& h, const std::string& path) {
  for (int d = 1; d <= 3; ++d) {
    requireFinite(h.pixdim[d], "pixdim[" + std::to_string(d) + "]", "a voxel size", path);
  }
  if (h.qformCode > 0) {
    const std::string use = "with qform_code " + std::to_string(h.qformCode) + " it";
    requireFinite(h.pixdim[0], "pixdim[0] (qfac)", use, path);
    const char* quaternion[3] = {"quatern_b", "quatern_c", "quatern_d"};
    const char* offset[3] = {"qoffset_x", "qoffset_y", "qoffset_z"};
    for (int i = 0; i < 3; ++i) {
      requireFinite(h.quatern[i], quaternion[i], use, path);
      requireFinite(h.qoffset[i], offset[i], use, path);
    }
  }
  if (h.sformCode > 0) {
    const char* rows[3] = {"srow_x", "srow_y", "srow_z"};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 4; ++c) {
        requireFinite(h.srow[r][c], std::string(rows[r]) + "[" + std::to_string(c) + "]",
                      "with sform_code " + std::to_string(h.sformCode) + " it", path);
      }
  }
}

// The samples start after the header and its 4-byte extension flag, at a
// whole byte: anything else would read the header as samples.
void checkVoxOffset(const NiftiHeader& h, double rawOffset, const std::string& path) {
  const std::int64_t first = h.version == 1 ? 352 : 544;
  if (!std::isfinite(rawOffset)) {
    throw headerError(path, "vox_offset is " + numberText(rawOffset) +
                                ", not a byte position (a damaged header)");
  }
  if (rawOffset < static_cast<double>(first)) {
    throw headerError(path, "vox_offset " + numberText(rawOffset) +
                                " points inside the header; the samples of a single-file "
                                "NIfTI-" +
                                std::to_string(h.version) + " start at byte " +
                                std::to_string(first) + " or later");
  }
  // Far beyond any file; also keeps the conversion to a byte count defined.
  if (rawOffset >= 0x1p62) {
    throw headerError(path, "vox_offset " + numberText(rawOffset) +
                                " lies beyond the end of the file (a damaged header)");
  }
  if (rawOffset != std::floor(rawOffset)) {
    throw headerError(path, "vox_offset " + numberText(rawOffset) +
                                " is not a whole number of bytes (a damaged header)");
  }
}

}  // namespace

std::size_t NiftiHeader::voxelCount() const {
  return static_cast<std::size_t>(dim[1]) * static_cast<std::size_t>(dim[2]) *
         static_cast<std::size_t>(dim[3]);
}

std::int32_t NiftiHeader::volumes() const { return static_cast<std::int32_t>(dim[4]); }

std::size_t NiftiHeader::bytesPerSample() const { return sampleSize(datatype); }

std::uint64_t NiftiHeader::dataBytes() const {
  return static_cast<std::uint64_t>(voxelCount()) * static_cast<std::uint64_t>(dim[4]) *
         bytesPerSample();
}

bool NiftiHeader::hasScaling() const {
  if (sclSlope == 0 || !std::isfinite(sclSlope)) return false;
  return !(sclSlope == 1.0 && usableInter() == 0.0);
}

double NiftiHeader::usableInter() const { return std::isfinite(sclInter) ? sclInter : 0.0; }

NiftiHeader parseNiftiHeader(const unsigned char* bytes, std::size_t size,
                             const std::string& path) {
  if (size < sizeof(nifti_1_header)) {
    throw headerError(path, "not a NIfTI-1 or NIfTI-2 file (" + std::to_string(size) +
                                " bytes, fewer than a header's 348)");
  }
  // sizeof_hdr tells the version and, read in either order, the byte order.
  std::uint32_t stated;
  std::memcpy(&stated, bytes, 4);
  NiftiHeader h;
  if (stated == 348 || stated == 540) {
    h.swapped = false;
  } else if (byteSwapped(stated) == 348 || byteSwapped(stated) == 540) {
    h.swapped = true;
    stated = byteSwapped(stated);
  } else {
    throw headerError(path, "not a NIfTI-1 or NIfTI-2 file (sizeof_hdr is " +
                                std::to_string(static_cast<std::int32_t>(stated)) +
                                ", neither 348 nor 540)");
  }
  h.version = stated == 348 ? 1 : 2;
  if (size < stated) {
    throw headerError(
        path, "the NIfTI-2 header is cut short (" + std::to_string(size) + " of its 540 bytes)");
  }
  checkMagic(bytes, h.version, path);
  const FieldReader field(bytes, h.swapped);
  double rawOffset;
  if (h.version == 1) {
    readNifti1(field, h);
    rawOffset = field.get<float>(offsetof(nifti_1_header, vox_offset));
  } else {
    readNifti2(field, h);
    rawOffset = static_cast<double>(h.voxOffset);
  }
  checkDimensions(h, path);
  for (int d = static_cast<int>(h.dim[0]) + 1; d < 8; ++d) h.dim[d] = 1;
  checkDatatype(h, path);
  checkBitpix(h, path);
  checkGeometry(h, path);
  checkVoxOffset(h, rawOffset, path);
  h.voxOffset = static_cast<std::int64_t>(rawOffset);
  return h;
}

std::vector<std::string> headerRepairs(const NiftiHeader& header) {
  std::vector<std::string> repairs;
  if (!std::isfinite(header.sclSlope)) {
    repairs.push_back("scl_slope is " + numberText(header.sclSlope) +
                      ", which cannot scale; the samples are used as the file stores them");
  } else if (header.sclSlope != 0 && !std::isfinite(header.sclInter)) {
    repairs.push_back("scl_inter is " + numberText(header.sclInter) +
                      ", which cannot be added; the samples are scaled by scl_slope " +
                      numberText(header.sclSlope) + " alone");
  }
  return repairs;
}

void checkSamplesFit(const NiftiHeader& header, std::uint64_t availableBytes,
                     const std::string& path) {
  const std::uint64_t offset = static_cast<std::uint64_t>(header.voxOffset);
  if (offset > availableBytes) {
    throw headerError(path, "vox_offset " + std::to_string(offset) +
                                " lies beyond the end of the image data (" +
                                std::to_string(availableBytes) + " bytes)");
  }
  if (header.dataBytes() > availableBytes - offset) {
    throw headerError(
        path, "the image data are truncated (expected " +
                  std::to_string(header.voxelCount() * static_cast<std::size_t>(header.volumes())) +
                  " samples of " + std::to_string(header.bytesPerSample()) + " bytes from byte " +
                  std::to_string(offset) + "; there are " +
                  std::to_string(availableBytes - offset) + " bytes)");
  }
}

}  // namespace quorvel::cli
