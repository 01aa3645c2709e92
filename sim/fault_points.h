// The points where a test build of the host makes its answers fail.
//
// The host that quorvel ships with links sim/no_faults.cpp, where no fault
// ever fires. The host the test suite loads links
// tests/support/host_faults.cpp instead, which fires them as the tests ask
// (tests/support/host_faults.h); a shipped host thus exports no way to make
// it fail.
#ifndef QUORVEL_SIM_FAULT_POINTS_H_
#define QUORVEL_SIM_FAULT_POINTS_H_

#include <string>

#include "simulated_host.h"

namespace noravia {

// Forgets every fault (SimulatedHost::reset()).
void clearFaults();
// True when the next new map is to be refused.
bool newMapRefused();
// Counts a map that was added, towards the refusal.
void newMapAdded();
// True when map `index` is to hand out no value array.
bool mapArrayWithheld(int index);
// True when linking the VTC at `path` is to fail.
bool linkingFails(const std::string& path);
// The grid new maps are to get instead of the linked VTC's, or null.
const Box* forcedMapsBox();

}  // namespace noravia

#endif  // QUORVEL_SIM_FAULT_POINTS_H_
