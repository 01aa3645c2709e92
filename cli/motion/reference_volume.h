// Which volume of a run the others are realigned to.
#ifndef QUORVEL_CLI_MOTION_REFERENCE_VOLUME_H_
#define QUORVEL_CLI_MOTION_REFERENCE_VOLUME_H_

#include <cstddef>
#include <vector>

namespace quorvel::cli {

// Volumes at the start of a run searched for a steady one.
constexpr std::size_t kSteadySearchVolumes = 20;

// The first steady-state volume among `means` (each volume's mean over the
// grid, from the first volumes of the run): the first whose mean is at
// most 2% above their median. Volumes taken before the
// magnetisation settles are brighter, with another contrast, and would
// pull every estimate; a single volume, rather than a mean of several, is
// not blurred by movement among them.
std::size_t firstSteadyVolume(const std::vector<double>& means);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_REFERENCE_VOLUME_H_
