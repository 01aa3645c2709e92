// The 6 x 6 normal equations of a Gauss-Newton step over the rigid
// parameters, some of which may be left out.
#ifndef QUORVEL_CLI_MOTION_PARAMETER_SYSTEM_H_
#define QUORVEL_CLI_MOTION_PARAMETER_SYSTEM_H_

#include <array>

namespace quorvel::cli {

using ParameterMatrix = std::array<std::array<double, 6>, 6>;

// Which parameters are estimated (trans x, y, z, rot x, y, z): all, or
// only those within the slices for a run of 1 or 2 slices.
struct UsedParameters {
  bool used[6] = {true, true, true, true, true, true};
};
UsedParameters inPlaneParameters();

// Inverts the rows and columns of `h` that `used` marks, in place, by
// Gauss-Jordan elimination with partial pivoting, and zeroes the others;
// false when they are (nearly) singular.
bool invertUsed(ParameterMatrix& h, const UsedParameters& used);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_PARAMETER_SYSTEM_H_
