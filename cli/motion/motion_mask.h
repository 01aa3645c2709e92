// The voxels the realignment compares when no brain mask is given.
#ifndef QUORVEL_CLI_MOTION_MOTION_MASK_H_
#define QUORVEL_CLI_MOTION_MOTION_MASK_H_

#include <cstdint>
#include <vector>

namespace quorvel::cli {

// Voxels whose mean exceeds 30% of the 98th percentile of the finite means:
// the head, whatever the run's intensity scale, without the background.
std::vector<std::uint8_t> headMaskOfMeans(const std::vector<float>& means);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_MOTION_MASK_H_
