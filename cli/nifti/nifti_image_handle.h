// Ownership of a nifti_clib image, released with nifti_image_free.
#ifndef QUORVEL_CLI_NIFTI_NIFTI_IMAGE_HANDLE_H_
#define QUORVEL_CLI_NIFTI_NIFTI_IMAGE_HANDLE_H_

#include <nifti2_io.h>

#include <memory>

namespace quorvel::cli {

// Frees an image together with its data and extensions.
struct NiftiImageDeleter {
  void operator()(nifti_image* image) const { nifti_image_free(image); }
};

// An image owned by the holder.
using NiftiImagePtr = std::unique_ptr<nifti_image, NiftiImageDeleter>;

// Turns off nifti_clib's own messages on standard error; the command gives
// its own, naming the file and the problem.
void silenceNiftiLibrary();

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_NIFTI_IMAGE_HANDLE_H_
