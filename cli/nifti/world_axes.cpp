#include "cli/nifti/world_axes.h"

namespace quorvel::cli {

std::array<int, 3> gridAxesOfWorld(const nifti_image& header) {
  const std::array<int, 3> identity = {0, 1, 2};
  const nifti_dmat44* toWorld = header.sform_code > 0   ? &header.sto_xyz
                                : header.qform_code > 0 ? &header.qto_xyz
                                                        : nullptr;
  if (toWorld == nullptr) return identity;
  int codes[3] = {0, 0, 0};
  nifti_dmat44_to_orientation(*toWorld, &codes[0], &codes[1], &codes[2]);
  std::array<int, 3> axes = {-1, -1, -1};
  for (int gridAxis = 0; gridAxis < 3; ++gridAxis) {
    const int world = codes[gridAxis] == NIFTI_L2R || codes[gridAxis] == NIFTI_R2L   ? 0
                      : codes[gridAxis] == NIFTI_P2A || codes[gridAxis] == NIFTI_A2P ? 1
                      : codes[gridAxis] == NIFTI_I2S || codes[gridAxis] == NIFTI_S2I ? 2
                                                                                     : -1;
    if (world < 0 || axes[static_cast<std::size_t>(world)] >= 0) return identity;
    axes[static_cast<std::size_t>(world)] = gridAxis;
  }
  return axes;
}

}  // namespace quorvel::cli
