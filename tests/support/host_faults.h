// Faults the host that the test suite loads can be told to make. Only the
// test build of the simulated host exports these (sim/fault_points.h);
// SimulatedHost::reset() clears them all.
#ifndef QUORVEL_TESTS_SUPPORT_HOST_FAULTS_H_
#define QUORVEL_TESTS_SUPPORT_HOST_FAULTS_H_

#include <string>

#include "sim/simulated_host.h"

namespace noravia {
namespace faults {

// The next new maps are refused once `count` more have been added
// (0: refuse the very next one). Negative: never refuse.
NORAVIA_SIM_API void refuseNewMapsAfter(int count);
// Maps at this index give a null value array.
NORAVIA_SIM_API void giveNullMapArray(int index);
// Linking this path fails.
NORAVIA_SIM_API void failLinking(const std::string& path);
// New maps get this box instead of the linked VTC's.
NORAVIA_SIM_API void giveMapsBox(const Box& box);

}  // namespace faults
}  // namespace noravia

#endif  // QUORVEL_TESTS_SUPPORT_HOST_FAULTS_H_
