// A nifti_clib image description made from a header the command checked
// itself, so that no byte of an input file reaches the library unchecked.
#ifndef QUORVEL_CLI_NIFTI_NIFTI_HEADER_IMAGE_H_
#define QUORVEL_CLI_NIFTI_NIFTI_HEADER_IMAGE_H_

#include "cli/nifti/nifti_header.h"
#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {

// The grid, voxel size, qform, sform, units and slice timing of `header`
// as a data-less nifti_image, with the library's reading rules: a zero or
// non-finite voxel size counts as 1, non-finite quaternion fields as 0, and
// a transform whose code is not positive is unknown. Throws a run error
// when out of memory.
NiftiImagePtr imageOfHeader(const NiftiHeader& header);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_NIFTI_HEADER_IMAGE_H_
