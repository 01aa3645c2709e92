#include "cli/nifti/nifti_run.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "cli/commands/cli_error.h"

namespace quorvel::cli {
namespace {

namespace fs = std::filesystem;

bool endsWithNoCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.rbegin(), ending.rend(), text.rbegin(),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// Scaling is in use when the slope is a usable number other than the
// identity; a slope of 0 means "no scaling" in NIfTI.
bool hasScaling(const nifti_image& image) {
  if (image.scl_slope == 0 || !std::isfinite(image.scl_slope)) return false;
  double inter = std::isfinite(image.scl_inter) ? image.scl_inter : 0.0;
  return !(image.scl_slope == 1.0 && inter == 0.0);
}

template <typename T>
void convertToFloat(const void* data, std::size_t count, double slope,
                    double inter, std::vector<float>& out) {
  const T* in = static_cast<const T*>(data);
  out.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    out[i] = static_cast<float>(static_cast<double>(in[i]) * slope + inter);
  }
}

// Converts the loaded data to float samples; false for a data type that
// holds no plain real numbers.
bool samplesToFloat(const nifti_image& image, std::size_t count,
                    std::vector<float>& out) {
  double slope = 1.0, inter = 0.0;
  if (hasScaling(image)) {
    slope = image.scl_slope;
    inter = std::isfinite(image.scl_inter) ? image.scl_inter : 0.0;
  }
  switch (image.datatype) {
    case DT_UINT8: convertToFloat<std::uint8_t>(image.data, count, slope, inter, out); return true;
    case DT_INT8: convertToFloat<std::int8_t>(image.data, count, slope, inter, out); return true;
    case DT_INT16: convertToFloat<std::int16_t>(image.data, count, slope, inter, out); return true;
    case DT_UINT16: convertToFloat<std::uint16_t>(image.data, count, slope, inter, out); return true;
    case DT_INT32: convertToFloat<std::int32_t>(image.data, count, slope, inter, out); return true;
    case DT_UINT32: convertToFloat<std::uint32_t>(image.data, count, slope, inter, out); return true;
    case DT_INT64: convertToFloat<std::int64_t>(image.data, count, slope, inter, out); return true;
    case DT_UINT64: convertToFloat<std::uint64_t>(image.data, count, slope, inter, out); return true;
    case DT_FLOAT32: convertToFloat<float>(image.data, count, slope, inter, out); return true;
    case DT_FLOAT64: convertToFloat<double>(image.data, count, slope, inter, out); return true;
    default: return false;
  }
}

bool isSupportedType(int datatype) {
  switch (datatype) {
    case DT_UINT8: case DT_INT8: case DT_INT16: case DT_UINT16:
    case DT_INT32: case DT_UINT32: case DT_INT64: case DT_UINT64:
    case DT_FLOAT32: case DT_FLOAT64:
      return true;
    default:
      return false;
  }
}

std::string dimensionsText(const nifti_image& image) {
  std::string text;
  for (int64_t d = 1; d <= std::clamp<int64_t>(image.dim[0], 1, 7); ++d) {
    if (d > 1) text += " x ";
    text += std::to_string(image.dim[d]);
  }
  return text;
}

// Checks the header of a file nifti_clib could parse: a 4D grid that the
// host can hold, with samples of a real type.
void checkHeader(const std::string& path, const nifti_image& image) {
  if (image.nifti_type == NIFTI_FTYPE_ANALYZE) {
    throw inputError(path + ": not a NIfTI file (an ANALYZE 7.5 header without the NIfTI magic)");
  }
  for (int d = 5; d <= 7 && d <= image.dim[0]; ++d) {
    if (image.dim[d] > 1) {
      throw inputError(path + ": has " + std::to_string(image.dim[0]) +
                       " dimensions (" + dimensionsText(image) +
                       "); a run must be 4D: x, y, z and time");
    }
  }
  if (image.dim[0] < 4 || image.nt < 2) {
    throw inputError(path + ": is a 3D image (" + dimensionsText(image) +
                     ", one volume); a run needs a 4D image with several volumes");
  }
  if (image.nx < 1 || image.ny < 1 || image.nz < 1) {
    throw inputError(path + ": has an empty grid (" + dimensionsText(image) + ")");
  }
  const int64_t int32Max = std::numeric_limits<std::int32_t>::max();
  if (image.nx > int32Max || image.ny > int32Max || image.nz > int32Max ||
      image.nt > int32Max ||
      image.nx * image.ny > int32Max / image.nz ||
      image.nx * image.ny * image.nz > int32Max / image.nt) {
    throw inputError(path + ": is too large (" + dimensionsText(image) +
                     "); the host takes at most 2^31-1 samples per run");
  }
  if (!isSupportedType(image.datatype)) {
    throw inputError(path + ": has samples of type " +
                     nifti_datatype_string(image.datatype) +
                     ", which is not a plain real number type");
  }
}

}  // namespace

void silenceNiftiLibrary() { nifti_set_debug_level(0); }

bool hasNiftiExtension(const std::string& path) {
  return endsWithNoCase(path, ".nii") || endsWithNoCase(path, ".nii.gz");
}

std::string niftiStem(const std::string& path) {
  std::string name = fs::path(path).filename().string();
  for (const char* extension : {".nii.gz", ".nii"}) {
    if (endsWithNoCase(name, extension)) {
      return name.substr(0, name.size() - std::strlen(extension));
    }
  }
  return fs::path(name).stem().string();
}

NiftiRun readNiftiRun(const std::string& path) {
  silenceNiftiLibrary();
  std::error_code error;
  fs::file_status status = fs::status(path, error);
  if (!fs::exists(status)) {
    throw inputError(path + ": no such file");
  }
  if (fs::is_directory(status)) {
    throw inputError(path + ": is a folder, not a NIfTI file");
  }
  if (!hasNiftiExtension(path)) {
    throw inputError(path + ": not a NIfTI file (the name must end in .nii or .nii.gz)");
  }
  if (!std::ifstream(path, std::ios::binary)) {
    throw inputError(path + ": cannot be opened for reading");
  }
  NiftiImagePtr image(nifti_image_read(path.c_str(), 0));
  if (!image) {
    throw inputError(path + ": not a NIfTI-1 or NIfTI-2 file (no valid header could be read)");
  }
  checkHeader(path, *image);

  NiftiRun run;
  run.path = path;
  run.nx = static_cast<std::int32_t>(image->nx);
  run.ny = static_cast<std::int32_t>(image->ny);
  run.nz = static_cast<std::int32_t>(image->nz);
  run.nt = static_cast<std::int32_t>(image->nt);

  if (nifti_image_load(image.get()) != 0 || image->data == nullptr) {
    throw inputError(path + ": the image data are truncated or unreadable (expected " +
                     std::to_string(image->nvox) + " samples of " +
                     std::to_string(image->nbyper) + " bytes)");
  }
  std::size_t count = run.voxelCount() * static_cast<std::size_t>(run.nt);
  if (image->datatype == DT_INT16 && !hasScaling(*image)) {
    run.isInt16 = true;
    const auto* samples = static_cast<const std::int16_t*>(image->data);
    run.intSamples.assign(samples, samples + count);
  } else {
    samplesToFloat(*image, count, run.floatSamples);
  }
  nifti_image_unload(image.get());
  run.header = std::move(image);
  return run;
}

}  // namespace quorvel::cli
