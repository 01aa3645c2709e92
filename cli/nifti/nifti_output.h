// Writing NIfTI images: the 3D float maps on a run's grid, and whole images
// such as the demo run, each through a temporary file.
#ifndef QUORVEL_CLI_NIFTI_NIFTI_OUTPUT_H_
#define QUORVEL_CLI_NIFTI_NIFTI_OUTPUT_H_

#include <filesystem>
#include <string>
#include <vector>

#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {

// Writes `image` (header and data) to `finalPath`, whose extension picks
// the format (".nii" or ".nii.gz"). The file is written under a temporary
// name, read back and compared with the data in memory, and only then
// renamed into place. Throws a run error naming `finalPath` on failure.
void writeNiftiAtomically(nifti_image& image, const std::filesystem::path& finalPath);

// Writes one value per voxel (x fastest, then y, z) as a 3D float32 NIfTI-1 image
// with the grid, orientation (qform and sform) and voxel size of the run
// whose header is `runHeader`, so that it overlays the run in a viewer.
// `description` goes into the header's descrip field.
void writeMapImage(const nifti_image& runHeader, const std::vector<float>& values,
                   const std::string& description, const std::filesystem::path& finalPath);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_NIFTI_OUTPUT_H_
