// Writing NIfTI images: the 3D float maps on a run's grid, and whole images
// such as the demo run, each through a temporary file.
#ifndef QUORVEL_CLI_NIFTI_NIFTI_OUTPUT_H_
#define QUORVEL_CLI_NIFTI_NIFTI_OUTPUT_H_

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {

// Frees an image whose data it borrows, leaving the data to its owner.
struct BorrowedDataImageDeleter {
  void operator()(nifti_image* image) const;
};

// An image that borrows its data.
using BorrowingImagePtr = std::unique_ptr<nifti_image, BorrowedDataImageDeleter>;

// The bytes of `image` as a single-file NIfTI-1 or NIfTI-2 image (by its
// nifti_type): nifti_clib's header, zero bytes up to the data, the data in
// this machine's byte order; what nifti_clib writes for it without header
// extensions. Sets the image's data offset. Throws a run error naming
// `finalPath` for an image of two files, with extensions or without data.
std::string niftiFileBytes(nifti_image& image, const std::filesystem::path& finalPath);

// Writes `image` (header and data) to `finalPath` as a single-file image,
// one gzip member when the name ends in ".gz". The file is written under a
// temporary name, read back and compared with the bytes meant, and only
// then renamed into place. Throws a run error naming `finalPath` and the
// failed step.
void writeNiftiAtomically(nifti_image& image, const std::filesystem::path& finalPath);

// The 3D float32 NIfTI-1 image of one value per voxel (x fastest, then y,
// z) with the grid, orientation (qform and sform) and voxel size of the run
// whose header is `runHeader`, so that it overlays the run in a viewer.
// `description` goes into the header's descrip field. The image borrows
// `values`, which must outlive it; it never frees them. Throws a run error
// naming `finalPath` when the grid does not fit or the count differs.
BorrowingImagePtr mapImage(const nifti_image& runHeader, const std::vector<float>& values,
                           const std::string& description, const std::filesystem::path& finalPath);

// Writes mapImage(runHeader, values, description) to `finalPath` through
// writeNiftiAtomically.
void writeMapImage(const nifti_image& runHeader, const std::vector<float>& values,
                   const std::string& description, const std::filesystem::path& finalPath);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_NIFTI_OUTPUT_H_
