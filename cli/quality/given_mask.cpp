#include "cli/quality/given_mask.h"

#include <nifti2_io.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>

#include "cli/base/cli_error.h"
#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {
namespace {

std::string gridText(std::int64_t nx, std::int64_t ny, std::int64_t nz) {
  return std::to_string(nx) + " x " + std::to_string(ny) + " x " + std::to_string(nz);
}

// Sample `i` of `image` as stored, for the real types NIfTI has.
double storedSample(const nifti_image& image, std::size_t i) {
  const void* data = image.data;
  switch (image.datatype) {
    case NIFTI_TYPE_UINT8:
      return static_cast<const std::uint8_t*>(data)[i];
    case NIFTI_TYPE_INT8:
      return static_cast<const std::int8_t*>(data)[i];
    case NIFTI_TYPE_UINT16:
      return static_cast<const std::uint16_t*>(data)[i];
    case NIFTI_TYPE_INT16:
      return static_cast<const std::int16_t*>(data)[i];
    case NIFTI_TYPE_UINT32:
      return static_cast<const std::uint32_t*>(data)[i];
    case NIFTI_TYPE_INT32:
      return static_cast<const std::int32_t*>(data)[i];
    case NIFTI_TYPE_UINT64:
      return static_cast<double>(static_cast<const std::uint64_t*>(data)[i]);
    case NIFTI_TYPE_INT64:
      return static_cast<double>(static_cast<const std::int64_t*>(data)[i]);
    case NIFTI_TYPE_FLOAT32:
      return static_cast<const float*>(data)[i];
    case NIFTI_TYPE_FLOAT64:
      return static_cast<const double*>(data)[i];
    default:
      return 0;
  }
}

bool isRealType(int datatype) {
  switch (datatype) {
    case NIFTI_TYPE_UINT8:
    case NIFTI_TYPE_INT8:
    case NIFTI_TYPE_UINT16:
    case NIFTI_TYPE_INT16:
    case NIFTI_TYPE_UINT32:
    case NIFTI_TYPE_INT32:
    case NIFTI_TYPE_UINT64:
    case NIFTI_TYPE_INT64:
    case NIFTI_TYPE_FLOAT32:
    case NIFTI_TYPE_FLOAT64:
      return true;
    default:
      return false;
  }
}

}  // namespace

VoxelMask readGivenMask(const std::string& path, const VoxelGrid& grid) {
  if (!std::filesystem::is_regular_file(path)) {
    throw inputError("--mask " + path + ": no such file");
  }
  silenceNiftiLibrary();
  // The header first: a mask on another grid is refused before its data is read.
  const NiftiImagePtr header(nifti_image_read(path.c_str(), 0));
  if (!header) throw inputError("--mask " + path + ": not a readable NIfTI image");
  // Dimensions past the third that the header uses; unused ones may hold 0.
  std::int64_t volumes = 1;
  for (int d = 4; d <= header->dim[0] && d < 8; ++d) {
    volumes *= std::max<std::int64_t>(1, header->dim[d]);
  }
  if (header->nx != static_cast<std::int64_t>(grid.nx) ||
      header->ny != static_cast<std::int64_t>(grid.ny) ||
      header->nz != static_cast<std::int64_t>(grid.nz) || volumes != 1) {
    throw inputError(
        "--mask " + path + ": its grid of " + gridText(header->nx, header->ny, header->nz) +
        (volumes != 1 ? " x " + std::to_string(volumes) : std::string()) +
        " voxels differs from the run's " +
        gridText(static_cast<std::int64_t>(grid.nx), static_cast<std::int64_t>(grid.ny),
                 static_cast<std::int64_t>(grid.nz)) +
        "; give a mask on the run's grid");
  }
  if (!isRealType(header->datatype)) {
    throw inputError("--mask " + path + ": its samples are not real numbers (NIfTI type " +
                     std::to_string(header->datatype) + ")");
  }
  const NiftiImagePtr image(nifti_image_read(path.c_str(), 1));
  if (!image || image->data == nullptr) {
    throw inputError("--mask " + path + ": its samples could not be read");
  }
  // A slope of 0 or one that is not a number means no scaling, as NIfTI says.
  const double slope = image->scl_slope;
  const bool scaled = std::isfinite(slope) && slope != 0;
  const double inter = scaled && std::isfinite(image->scl_inter) ? image->scl_inter : 0.0;
  VoxelMask mask(grid.voxels(), 0);
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel) {
    const double stored = storedSample(*image, voxel);
    mask[voxel] = (scaled ? stored * slope + inter : stored) > 0 ? 1 : 0;
  }
  if (maskCount(mask) == 0) throw inputError("--mask " + path + ": no voxel is inside the mask");
  return mask;
}

}  // namespace quorvel::cli
