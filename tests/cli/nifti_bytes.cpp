#include "nifti_bytes.h"

#include <nifti2.h>
#include <nifti2_io.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace cli_test {
namespace {

template <typename T>
void append(std::string& out, T value, bool swapped) {
  char raw[sizeof(T)];
  std::memcpy(raw, &value, sizeof(T));
  if (swapped) std::reverse(raw, raw + sizeof(T));
  out.append(raw, sizeof(T));
}

void appendSample(std::string& out, int datatype, double v, bool swapped) {
  switch (datatype) {
    case DT_UINT8:
      append(out, static_cast<std::uint8_t>(v), swapped);
      break;
    case DT_INT8:
      append(out, static_cast<std::int8_t>(v), swapped);
      break;
    case DT_INT16:
      append(out, static_cast<std::int16_t>(v), swapped);
      break;
    case DT_UINT16:
      append(out, static_cast<std::uint16_t>(v), swapped);
      break;
    case DT_INT32:
      append(out, static_cast<std::int32_t>(v), swapped);
      break;
    case DT_UINT32:
      append(out, static_cast<std::uint32_t>(v), swapped);
      break;
    case DT_INT64:
      append(out, static_cast<std::int64_t>(v), swapped);
      break;
    case DT_UINT64:
      append(out, static_cast<std::uint64_t>(v), swapped);
      break;
    case DT_FLOAT32:
      append(out, static_cast<float>(v), swapped);
      break;
    case DT_FLOAT64:
      append(out, v, swapped);
      break;
    default:
      append(out, static_cast<float>(v), swapped);
      break;  // e.g. COMPLEX64 halves
  }
}

}  // namespace

NiftiBytes NiftiBytes::counting(int version, int datatype) {
  NiftiBytes image;
  image.version = version;
  image.datatype = datatype;
  const std::int64_t voxels = image.dim[1] * image.dim[2] * image.dim[3];
  for (std::int64_t t = 0; t < image.dim[4]; ++t)
    for (std::int64_t v = 0; v < voxels; ++v) image.samples.push_back(1000.0 + 10.0 * v + t);
  return image;
}

std::string NiftiBytes::bytes() const {
  std::string header;
  int sampleBits = 32;
  switch (datatype) {
    case DT_UINT8:
    case DT_INT8:
      sampleBits = 8;
      break;
    case DT_INT16:
    case DT_UINT16:
      sampleBits = 16;
      break;
    case DT_INT64:
    case DT_UINT64:
    case DT_FLOAT64:
      sampleBits = 64;
      break;
    default:
      break;
  }
  const double offset = voxOffset.value_or(version == 1 ? 352 : 544);
  if (version == 1) {
    nifti_1_header h{};
    h.sizeof_hdr = 348;
    for (int d = 0; d < 8; ++d) h.dim[d] = static_cast<short>(dim[d]);
    for (int d = 0; d < 8; ++d) h.pixdim[d] = d == 0 ? 1.0f : 2.0f;
    h.datatype = static_cast<short>(datatype);
    h.bitpix = static_cast<short>(sampleBits);
    h.vox_offset = static_cast<float>(offset);
    h.scl_slope = static_cast<float>(sclSlope);
    h.scl_inter = static_cast<float>(sclInter);
    h.qform_code = NIFTI_XFORM_SCANNER_ANAT;
    h.quatern_d = 1.0f;
    h.sform_code = NIFTI_XFORM_SCANNER_ANAT;
    h.srow_x[0] = 2.0f, h.srow_y[1] = 2.0f, h.srow_z[2] = 2.0f;
    const std::string bytes = magic.empty() ? std::string("n+1\0", 4) : magic;
    std::memcpy(h.magic, bytes.data(), std::min<std::size_t>(sizeof h.magic, bytes.size()));
    if (swapped) nifti_swap_as_nifti1(&h);
    header.assign(reinterpret_cast<const char*>(&h), sizeof h);
  } else {
    nifti_2_header h{};
    h.sizeof_hdr = 540;
    for (int d = 0; d < 8; ++d) h.dim[d] = dim[d];
    for (int d = 0; d < 8; ++d) h.pixdim[d] = d == 0 ? 1.0 : 2.0;
    h.datatype = static_cast<short>(datatype);
    h.bitpix = static_cast<short>(sampleBits);
    h.vox_offset = static_cast<std::int64_t>(offset);
    h.scl_slope = sclSlope;
    h.scl_inter = sclInter;
    h.sform_code = NIFTI_XFORM_SCANNER_ANAT;
    h.srow_x[0] = 2.0, h.srow_y[1] = 2.0, h.srow_z[2] = 2.0;
    const std::string bytes = magic.empty() ? std::string("n+2\0\r\n\032\n", 8) : magic;
    std::memcpy(h.magic, bytes.data(), std::min<std::size_t>(sizeof h.magic, bytes.size()));
    if (swapped) nifti_swap_as_nifti2(&h);
    header.assign(reinterpret_cast<const char*>(&h), sizeof h);
  }
  std::string out = header;
  const std::size_t dataStart = offset >= static_cast<double>(out.size()) && offset < 1e7
                                    ? static_cast<std::size_t>(offset)
                                    : out.size() + 4;
  out.resize(dataStart, '\0');
  for (double v : samples) appendSample(out, datatype, v, swapped);
  return out;
}

std::string deflated(const std::string& raw, int level, int windowBits, int flush) {
  z_stream stream{};
  if (deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&stream, raw.size()) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(raw.data()));
  stream.avail_in = static_cast<uInt>(raw.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, flush);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

std::string gzipped(const std::string& raw) { return deflated(raw, 6, 15 + 16, Z_FINISH); }

}  // namespace cli_test
