#include "cli/nifti/nifti_output.h"

#include <cstring>
#include <mutex>
#include <stdexcept>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/compression/deflate_buffer.h"

namespace quorvel::cli {
namespace fs = std::filesystem;

void BorrowedDataImageDeleter::operator()(nifti_image* image) const {
  if (image) image->data = nullptr;
  nifti_image_free(image);
}

std::string niftiFileBytes(nifti_image& image, const fs::path& finalPath) {
  const bool two = image.nifti_type == NIFTI_FTYPE_NIFTI2_1;
  if (image.nifti_type != NIFTI_FTYPE_NIFTI1_1 && !two) {
    throw runError(finalPath.string() + ": only single-file NIfTI images are written");
  }
  if (image.num_ext != 0) {
    throw runError(finalPath.string() + ": images with header extensions are not written");
  }
  if (image.data == nullptr) throw runError(finalPath.string() + ": the image has no data");
  // The data offset nifti_clib's writer sets: the header and the four-byte
  // extension flag, which stays zero (no extensions follow).
  nifti_set_iname_offset(&image, two ? 2 : 1);
  const std::size_t offset = static_cast<std::size_t>(image.iname_offset);
  const std::size_t dataBytes =
      static_cast<std::size_t>(image.nvox) * static_cast<std::size_t>(image.nbyper);
  std::string bytes(offset + dataBytes, '\0');
  if (two) {
    nifti_2_header header;
    if (nifti_convert_nim2n2hdr(&image, &header) != 0) {
      throw runError(finalPath.string() + ": its NIfTI-2 header cannot be made");
    }
    std::memcpy(bytes.data(), &header, sizeof header);
  } else {
    nifti_1_header header;
    if (nifti_convert_nim2n1hdr(&image, &header) != 0) {
      throw runError(finalPath.string() + ": its NIfTI-1 header cannot be made");
    }
    std::memcpy(bytes.data(), &header, sizeof header);
  }
  std::memcpy(bytes.data() + offset, image.data, dataBytes);
  return bytes;
}

void writeNiftiAtomically(nifti_image& image, const fs::path& finalPath) {
  // Once for the process: maps are written from several threads at once,
  // and the library's setting is one global.
  static std::once_flag silenced;
  std::call_once(silenced, silenceNiftiLibrary);
  const std::string bytes = niftiFileBytes(image, finalPath);
  if (finalPath.extension() != ".gz") {
    writeCheckedFileAtomically(finalPath, bytes);
    return;
  }
  std::string compressed;
  try {
    compressed = deflateBuffer(bytes, DeflateWrapper::kGzip);
  } catch (const std::exception& error) {
    throw runError(finalPath.string() + ": cannot be written (" + error.what() + ")");
  }
  writeCheckedFileAtomically(finalPath, compressed);
}

BorrowingImagePtr mapImage(const nifti_image& runHeader, const std::vector<float>& values,
                           const std::string& description, const fs::path& finalPath) {
  // Made with no data, the map borrows the values only once they are set.
  BorrowingImagePtr map(nifti_copy_nim_info(&runHeader));
  if (!map) throw runError(finalPath.string() + ": out of memory");
  nifti_free_extensions(map.get());

  map->ndim = map->dim[0] = 3;
  map->nt = map->nu = map->nv = map->nw = 1;
  for (int d = 4; d < 8; ++d) {
    map->dim[d] = 1;
    map->pixdim[d] = 0.0;
  }
  map->dt = map->du = map->dv = map->dw = 0.0;
  map->nvox = map->nx * map->ny * map->nz;
  map->datatype = DT_FLOAT32;
  map->nbyper = 4;
  map->swapsize = 4;
  map->scl_slope = 1.0;
  map->scl_inter = 0.0;
  map->cal_min = map->cal_max = 0.0;
  map->toffset = 0.0;
  map->intent_code = NIFTI_INTENT_NONE;
  map->intent_p1 = map->intent_p2 = map->intent_p3 = 0.0;
  std::memset(map->intent_name, 0, sizeof map->intent_name);
  std::memset(map->descrip, 0, sizeof map->descrip);
  std::strncpy(map->descrip, description.c_str(), sizeof map->descrip - 1);
  std::memset(map->aux_file, 0, sizeof map->aux_file);
  // Maps are NIfTI-1, which every viewer reads, also for NIfTI-2 runs.
  map->nifti_type = NIFTI_FTYPE_NIFTI1_1;
  constexpr int64_t kNifti1MaxDim = 32767;
  if (map->nx > kNifti1MaxDim || map->ny > kNifti1MaxDim || map->nz > kNifti1MaxDim) {
    throw runError(finalPath.string() + ": a grid of more than " + std::to_string(kNifti1MaxDim) +
                   " voxels along an axis does not fit a NIfTI-1 map");
  }
  map->byteorder = nifti_short_order();

  if (values.size() != static_cast<std::size_t>(map->nvox)) {
    throw runError(finalPath.string() + ": the map has " + std::to_string(values.size()) +
                   " values for a grid of " + std::to_string(map->nvox) + " voxels");
  }
  map->data = const_cast<float*>(values.data());
  return map;
}

void writeMapImage(const nifti_image& runHeader, const std::vector<float>& values,
                   const std::string& description, const fs::path& finalPath) {
  BorrowingImagePtr map = mapImage(runHeader, values, description, finalPath);
  writeNiftiAtomically(*map, finalPath);
}

}  // namespace quorvel::cli
