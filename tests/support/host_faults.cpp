// The test build of the host: the faults the tests ask for.
#include "tests/support/host_faults.h"

#include <optional>
#include <set>

#include "fault_points.h"

namespace noravia {
namespace {

struct Faults {
  int mapsBeforeRefusal = -1;  // negative: never refuse
  std::set<int> nullMapArrays;
  std::set<std::string> failingLinks;
  std::optional<Box> mapsBox;
};

Faults& current() {
  static Faults faults;
  return faults;
}

}  // namespace

void clearFaults() { current() = Faults(); }
bool newMapRefused() { return current().mapsBeforeRefusal == 0; }
void newMapAdded() {
  if (current().mapsBeforeRefusal > 0) --current().mapsBeforeRefusal;
}
bool mapArrayWithheld(int index) { return current().nullMapArrays.count(index) != 0; }
bool linkingFails(const std::string& path) { return current().failingLinks.count(path) != 0; }
const Box* forcedMapsBox() { return current().mapsBox ? &*current().mapsBox : nullptr; }

namespace faults {

void refuseNewMapsAfter(int count) { current().mapsBeforeRefusal = count; }
void giveNullMapArray(int index) { current().nullMapArrays.insert(index); }
void failLinking(const std::string& path) { current().failingLinks.insert(path); }
void giveMapsBox(const Box& box) { current().mapsBox = box; }

}  // namespace faults
}  // namespace noravia
