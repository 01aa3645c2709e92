// The shipped host: no fault ever fires.
#include "fault_points.h"

namespace noravia {

void clearFaults() {}
bool newMapRefused() { return false; }
void newMapAdded() {}
bool mapArrayWithheld(int /*index*/) { return false; }
bool linkingFails(const std::string& /*path*/) { return false; }
const Box* forcedMapsBox() { return nullptr; }

}  // namespace noravia
