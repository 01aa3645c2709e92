#include "cli/nifti/nifti_output.h"

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <system_error>

#include "cli/commands/cli_error.h"
#include "cli/outputs/atomic_file.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// True when the values agree; nifti_clib reads a non-finite float back
// as 0, so such a value only needs to come back as 0.
template <typename T>
bool sameValues(const void* written, const void* read, std::size_t count) {
  const T* a = static_cast<const T*>(written);
  const T* b = static_cast<const T*>(read);
  for (std::size_t i = 0; i < count; ++i) {
    if (std::isfinite(a[i]) ? !(a[i] == b[i]) : b[i] != 0) return false;
  }
  return true;
}

// True when the file at `path` holds the grid and the data of `image`.
bool readsBackAs(const fs::path& path, const nifti_image& image) {
  NiftiImagePtr copy(nifti_image_read(path.c_str(), 1));
  if (!copy || copy->data == nullptr) return false;
  for (int d = 0; d < 8; ++d) {
    if (copy->dim[d] != image.dim[d]) return false;
  }
  if (copy->datatype != image.datatype || copy->nvox != image.nvox ||
      copy->nifti_type != image.nifti_type) {
    return false;
  }
  const std::size_t count = static_cast<std::size_t>(image.nvox);
  switch (image.datatype) {
    case DT_FLOAT32:
      return sameValues<float>(image.data, copy->data, count);
    case DT_FLOAT64:
      return sameValues<double>(image.data, copy->data, count);
    default:
      return std::memcmp(copy->data, image.data, count * static_cast<std::size_t>(image.nbyper)) ==
             0;
  }
}

}  // namespace

void writeNiftiAtomically(nifti_image& image, const fs::path& finalPath) {
  silenceNiftiLibrary();
  nifti_set_skip_blank_ext(1);
  const fs::path temporary = temporaryPathFor(finalPath);
  // Naming the files resets the format to the one the extension suggests
  // (NIfTI-1 for ".nii"), so the format is set again afterwards.
  const int format = image.nifti_type;
  if (nifti_set_filenames(&image, temporary.c_str(), 0, 1) != 0) {
    throw runError(finalPath.string() + ": cannot name the image file");
  }
  image.nifti_type = format;
  // A leftover or a link planted under the temporary name goes first, so
  // the library's writer does not follow it.
  ::unlink(temporary.c_str());
  nifti_image_write(&image);
  if (!readsBackAs(temporary, image)) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw runError(finalPath.string() +
                   ": cannot be written (the file did not read back complete; "
                   "is the folder writable and the disk not full?)");
  }
  commitTemporaryFile(temporary, finalPath);
}

void writeMapImage(const nifti_image& runHeader, const std::vector<float>& values,
                   const std::string& description, const fs::path& finalPath) {
  NiftiImagePtr map(nifti_copy_nim_info(&runHeader));
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
  // The image borrows the values; it must not free them.
  map->data = const_cast<float*>(values.data());
  try {
    writeNiftiAtomically(*map, finalPath);
  } catch (...) {
    map->data = nullptr;
    throw;
  }
  map->data = nullptr;
}

}  // namespace quorvel::cli
