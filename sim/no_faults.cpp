// The shipped host: no fault ever fires.
#include "fault_points.h"

namespace noravia {

void clearFaults() {}
bool newMapRefused() { return false; }
void newMapAdded() {}
bool mapArrayWithheld(int) { return false; }
bool linkingFails(const std::string&) { return false; }
const Box* forcedMapsBox() { return nullptr; }

}  // namespace noravia
