#include "host_services.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "fault_points.h"
#include "host/dialog_contract.h"
#include "host_state.h"

namespace noravia {
namespace services {
namespace {

// Edge of the simulated VMR, in voxels, on each axis.
constexpr int kVMRSize = 256;

SimulatedHost::State& host() { return SimulatedHost::instance().state(); }

std::string textOf(const char* text) { return text != nullptr ? text : ""; }

// Capacities of the buffers the plug-in hands over for host text. The host
// is never told them; like the real host, this one respects them and cuts
// a longer text rather than write past the buffer.
constexpr std::size_t kCommandCapacity = quorvel::kCommandBufferSize;
// "FileList" and every other string parameter.
constexpr std::size_t kParameterCapacity = quorvel::kFileListBufferSize;
constexpr std::size_t kChosenPathCapacity = quorvel::kChosenPathBufferSize;
constexpr std::size_t kPluginsPathCapacity = quorvel::kPluginsPathBufferSize;

// Copies `text` into `destination`, cut to `capacity` - 1 characters and a
// terminating NUL.
void copyText(const std::string& text, char* destination,
              std::size_t capacity) {
  if (destination == nullptr || capacity == 0) return;
  const std::size_t length = std::min(text.size(), capacity - 1);
  std::memcpy(destination, text.data(), length);
  destination[length] = '\0';
}

// The map at `index`, or null.
Map* mapAt(SimulatedHost::State& state, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= state.maps.size()) {
    return nullptr;
  }
  return state.maps[static_cast<std::size_t>(index)].get();
}

Box boxOf(const VTCHeader& header) {
  Box box;
  box.xStart = header.xStart;
  box.xEnd = header.xEnd;
  box.yStart = header.yStart;
  box.yEnd = header.yEnd;
  box.zStart = header.zStart;
  box.zEnd = header.zEnd;
  box.resolution = header.resolution;
  return box;
}

// The grid of a new map: a box forced by a fault, else the linked VTC's,
// else the last map's, else a single voxel.
Box newMapBox(SimulatedHost::State& state) {
  if (const Box* forced = forcedMapsBox()) return *forced;
  if (Vtc* vtc = state.linked()) return boxOf(vtc->header);
  if (!state.maps.empty()) return state.maps.back()->box;
  return Box::ofVoxels(1, 1, 1);
}

}  // namespace

int getVersion(int* major, int* minor, int* subMinor) {
  SimulatedHost::State& state = host();
  state.record("nvGetVersionOfNoravia", "");
  if (major != nullptr) *major = state.versionMajor;
  if (minor != nullptr) *minor = state.versionMinor;
  if (subMinor != nullptr) *subMinor = state.versionSubMinor;
  return 1;
}

int getIDOfCurrentDocument() {
  SimulatedHost::State& state = host();
  state.record("nvGetIDOfCurrentDocument", "");
  return state.currentDocument;
}

int getDocumentType(int id) {
  SimulatedHost::State& state = host();
  state.record("nvGetDocumentType", std::to_string(id));
  if (id < 0 || static_cast<std::size_t>(id) >= state.documentTypes.size()) {
    return 0;
  }
  return state.documentTypes[static_cast<std::size_t>(id)];
}

int showLogPane() {
  SimulatedHost::State& state = host();
  state.record("nvShowLogPane", "");
  state.logPaneShown = true;
  return 1;
}

int logText(const char* text) {
  SimulatedHost::State& state = host();
  if (state.journalsLogLines) state.record("nvLogText", textOf(text));
  state.appendLog(textOf(text));
  return 1;
}

void noteOutOfMemory() noexcept { host().outOfMemory = true; }

int messageBox(const char* text) {
  SimulatedHost::State& state = host();
  state.record("nvMessageBox", textOf(text));
  state.appendMessageBox(textOf(text));
  return 1;
}

int getStringParameter(const char* name, char* value) {
  SimulatedHost::State& state = host();
  state.record("nvGetStringParameter", textOf(name));
  auto found = state.stringParameters.find(textOf(name));
  const bool set = found != state.stringParameters.end();
  const std::size_t capacity =
      textOf(name) == "Command" ? kCommandCapacity : kParameterCapacity;
  copyText(set ? found->second : std::string(), value, capacity);
  return set ? 1 : 0;
}

int setStringParameter(const char* name, const char* value) {
  SimulatedHost::State& state = host();
  state.record("nvSetStringParameter", textOf(name));
  state.stringParameters[textOf(name)] = textOf(value);
  return 1;
}

int getIntParameter(const char* name) {
  SimulatedHost::State& state = host();
  state.record("nvGetIntParameter", textOf(name));
  auto found = state.intParameters.find(textOf(name));
  return found != state.intParameters.end() ? found->second : 0;
}

double getFloatParameter(const char* name) {
  SimulatedHost::State& state = host();
  state.record("nvGetFloatParameter", textOf(name));
  auto found = state.floatParameters.find(textOf(name));
  return found != state.floatParameters.end() ? found->second : 0.0;
}

int getOpenFileName(const char* title, const char* fileList, const char* filter,
                    char* path) {
  SimulatedHost::State& state = host();
  state.record("nvGetOpenFileName", textOf(title));
  state.fileDialogCalls.push_back(
      {textOf(title), textOf(fileList), textOf(filter)});
  if (state.fileDialogAnswers.empty()) return 0;
  std::optional<std::string> answer = state.fileDialogAnswers.front();
  state.fileDialogAnswers.pop_front();
  if (!answer || path == nullptr) return 0;
  copyText(*answer, path, kChosenPathCapacity);
  return 1;
}

int getPluginsPath(char* path) {
  SimulatedHost::State& state = host();
  state.record("nvGetPluginsPath", "");
  copyText(state.pluginsPath, path, kPluginsPathCapacity);
  return 1;
}

int getHeaderOfVTCOfCurrentVMR(VTCHeader* header) {
  SimulatedHost::State& state = host();
  state.record("nvGetHeaderOfVTCOfCurrentVMR", "");
  Vtc* vtc = state.linked();
  if (vtc == nullptr) return 0;
  if (header != nullptr) std::memcpy(header, &vtc->header, sizeof *header);
  return 1;
}

int linkVTCToCurrentVMR(const char* path, int flag) {
  SimulatedHost::State& state = host();
  state.record("nvLinkVTCToCurrentVMR",
               textOf(path) + ", " + std::to_string(flag));
  const std::string key = textOf(path);
  if (state.vtcs.count(key) == 0 || linkingFails(key)) {
    return state.answer(0);
  }
  state.linkedVtc = key;
  return state.answer(1);
}

std::int16_t* getVTCIntDataOfCurrentVMR() {
  SimulatedHost::State& state = host();
  state.record("nvGetVTCIntDataOfCurrentVMR", "");
  Vtc* vtc = state.linked();
  if (vtc == nullptr || vtc->nullSamples || vtc->intSamples.empty()) {
    return nullptr;
  }
  return vtc->intSamples.data();
}

float* getVTCFloatDataOfCurrentVMR() {
  SimulatedHost::State& state = host();
  state.record("nvGetVTCFloatDataOfCurrentVMR", "");
  Vtc* vtc = state.linked();
  if (vtc == nullptr || vtc->nullSamples || vtc->floatSamples.empty()) {
    return nullptr;
  }
  return vtc->floatSamples.data();
}

int getCurrentVMR(int* a, int* b, int* c) {
  host().record("nvGetCurrentVMR", "");
  if (a != nullptr) *a = kVMRSize;
  if (b != nullptr) *b = kVMRSize;
  if (c != nullptr) *c = kVMRSize;
  return 1;
}

int deleteNRVMPsOfCurrentVMR() {
  SimulatedHost::State& state = host();
  state.record("nvDeleteNRVMPsOfCurrentVMR", "");
  state.maps.clear();
  return 1;
}

int createNRVMPsForCurrentVMR(int a, int b, int c, int d) {
  SimulatedHost::State& state = host();
  state.record("nvCreateNRVMPsForCurrentVMR",
               std::to_string(a) + ", " + std::to_string(b) + ", " +
                   std::to_string(c) + ", " + std::to_string(d));
  if (newMapRefused()) return state.answer(0);
  if (state.appendMap("", newMapBox(state)) == nullptr) return state.answer(0);
  newMapAdded();
  return state.answer(1);
}

int getNRVMPsOfCurrentVMR(NRVMPsHeader* header) {
  SimulatedHost::State& state = host();
  state.record("nvGetNRVMPsOfCurrentVMR", "");
  if (header == nullptr) return 0;
  std::memset(header, kHostFillByte, sizeof *header);
  header->nrOfMaps = static_cast<std::int32_t>(state.maps.size());
  const Box box = state.maps.empty() ? Box{} : state.maps.back()->box;
  header->xStart = box.xStart;
  header->xEnd = box.xEnd;
  header->yStart = box.yStart;
  header->yEnd = box.yEnd;
  header->zStart = box.zStart;
  header->zEnd = box.zEnd;
  header->resolution = box.resolution;
  return 1;
}

float* getNRVMPOfCurrentVMR(int index, NRVMPRecord* record) {
  SimulatedHost::State& state = host();
  state.record("nvGetNRVMPOfCurrentVMR", std::to_string(index));
  Map* map = mapAt(state, index);
  if (map == nullptr) return nullptr;
  map->record.name = map->nameStorage.data();
  if (record != nullptr) std::memcpy(record, &map->record, sizeof *record);
  if (mapArrayWithheld(index)) return nullptr;
  return map->values.data();
}

int setNRVMPParametersOfCurrentVMR(int index, NRVMPRecord* record) {
  SimulatedHost::State& state = host();
  state.record("nvSetNRVMPParametersOfCurrentVMR", std::to_string(index));
  Map* map = mapAt(state, index);
  if (map == nullptr || record == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const unsigned char*>(record);
  map->recordsSet.emplace_back(bytes, bytes + sizeof *record);

  // The host keeps its own name storage: a record pointing elsewhere has
  // its name copied in, at most 100 characters.
  char* storage = map->nameStorage.data();
  const char* givenName = record->name;
  if (givenName != nullptr && givenName != storage) {
    std::size_t length = 0;
    while (length < kMapNameStorage - 1 && givenName[length] != '\0') ++length;
    std::memmove(storage, givenName, length);
    storage[length] = '\0';
  }
  std::memcpy(&map->record, record, sizeof *record);
  map->record.name = storage;
  return 1;
}

int recordOnly(const char* entryPoint) {
  host().record(entryPoint, "");
  return 0;
}

}  // namespace services
}  // namespace noravia
