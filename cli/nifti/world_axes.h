// Which of a run's grid axes lie along the scanner's axes, from its
// header's orientation.
#ifndef QUORVEL_CLI_NIFTI_WORLD_AXES_H_
#define QUORVEL_CLI_NIFTI_WORLD_AXES_H_

#include <array>

#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {

// For the scanner's x (left-right), y (posterior-anterior) and z
// (inferior-superior), the grid axis (0 for i, 1 for j, 2 for k) nearest
// it, by the sform when its code is set, else the qform; {0, 1, 2} when
// neither is set or the orientation is degenerate.
std::array<int, 3> gridAxesOfWorld(const nifti_image& header);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_WORLD_AXES_H_
