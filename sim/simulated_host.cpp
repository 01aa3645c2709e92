#include "simulated_host.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "fault_points.h"
#include "host_state.h"

namespace noravia {
namespace {

// Copies `path` into a header's filePath, NUL-terminated, cut to fit, with
// zeros after it.
void writeFilePath(VTCHeader& header, const std::string& path) {
  std::memset(header.filePath, 0, sizeof header.filePath);
  const std::size_t length = std::min(path.size(), sizeof header.filePath - 1);
  std::memcpy(header.filePath, path.data(), length);
}

// A header whose unnamed bytes are the host's fill byte.
VTCHeader makeHeader(const std::string& path, const Box& box, int nrOfVolumes,
                     int dataType) {
  VTCHeader header;
  std::memset(&header, kHostFillByte, sizeof header);
  header.nrOfVolumes = nrOfVolumes;
  header.xStart = box.xStart;
  header.xEnd = box.xEnd;
  header.yStart = box.yStart;
  header.yEnd = box.yEnd;
  header.zStart = box.zStart;
  header.zEnd = box.zEnd;
  header.resolution = box.resolution;
  header.dataType = dataType;
  writeFilePath(header, path);
  return header;
}

void checkSampleCount(std::size_t samples, const Box& box, int nrOfVolumes) {
  if (nrOfVolumes < 0) {
    throw std::invalid_argument("a VTC needs a non-negative volume count");
  }
  const std::int64_t expected = box.voxelCount() * nrOfVolumes;
  if (static_cast<std::int64_t>(samples) != expected) {
    throw std::invalid_argument("a VTC needs " + std::to_string(expected) +
                                " samples, got " + std::to_string(samples));
  }
}

}  // namespace

SimulatedHost& SimulatedHost::instance() {
  static SimulatedHost host;
  return host;
}

SimulatedHost::SimulatedHost() : state_(std::make_unique<State>()) {}

SimulatedHost::~SimulatedHost() = default;

SimulatedHost::State& SimulatedHost::state() { return *state_; }

void SimulatedHost::reset() {
  state_ = std::make_unique<State>();
  clearFaults();
}

// --- Host and documents ----------------------------------------------------

void SimulatedHost::setVersion(int major, int minor, int subMinor) {
  state_->versionMajor = major;
  state_->versionMinor = minor;
  state_->versionSubMinor = subMinor;
}

int SimulatedHost::addDocument(int type) {
  state_->documentTypes.push_back(type);
  return static_cast<int>(state_->documentTypes.size()) - 1;
}

void SimulatedHost::setCurrentDocument(int id) { state_->currentDocument = id; }

int SimulatedHost::currentDocument() const { return state_->currentDocument; }

// --- Dialog parameters -----------------------------------------------------

void SimulatedHost::setStringParameter(const std::string& name,
                                       const std::string& value) {
  state_->stringParameters[name] = value;
}

void SimulatedHost::setIntParameter(const std::string& name, int value) {
  state_->intParameters[name] = value;
}

void SimulatedHost::setFloatParameter(const std::string& name, double value) {
  state_->floatParameters[name] = value;
}

std::string SimulatedHost::stringParameter(const std::string& name) const {
  auto found = state_->stringParameters.find(name);
  return found != state_->stringParameters.end() ? found->second : "";
}

int SimulatedHost::intParameter(const std::string& name) const {
  auto found = state_->intParameters.find(name);
  return found != state_->intParameters.end() ? found->second : 0;
}

double SimulatedHost::floatParameter(const std::string& name) const {
  auto found = state_->floatParameters.find(name);
  return found != state_->floatParameters.end() ? found->second : 0.0;
}

// --- Open-file dialog ------------------------------------------------------

void SimulatedHost::queueChosenFile(const std::string& path) {
  state_->fileDialogAnswers.emplace_back(path);
}

void SimulatedHost::queueCancelledFileDialog() {
  state_->fileDialogAnswers.emplace_back(std::nullopt);
}

const std::vector<SimulatedHost::FileDialogCall>&
SimulatedHost::fileDialogCalls() const {
  return state_->fileDialogCalls;
}

// --- Plug-ins folder -------------------------------------------------------

void SimulatedHost::setPluginsPath(const std::string& path) {
  state_->pluginsPath = path;
}

std::string SimulatedHost::pluginsPath() const { return state_->pluginsPath; }

// --- VTCs ------------------------------------------------------------------

Vtc& SimulatedHost::addFloatVtc(const std::string& path, const Box& box,
                                int nrOfVolumes, std::vector<float> samples) {
  return adoptFloatVtc(path, box, nrOfVolumes,
                       SampleVector<float>(samples.begin(), samples.end()));
}

Vtc& SimulatedHost::addIntVtc(const std::string& path, const Box& box,
                              int nrOfVolumes,
                              std::vector<std::int16_t> samples, int dataType) {
  return adoptIntVtc(path, box, nrOfVolumes,
                     SampleVector<std::int16_t>(samples.begin(), samples.end()),
                     dataType);
}

Vtc& SimulatedHost::adoptFloatVtc(const std::string& path, const Box& box,
                                  int nrOfVolumes,
                                  SampleVector<float> samples) {
  checkSampleCount(samples.size(), box, nrOfVolumes);
  Vtc vtc;
  vtc.header = makeHeader(path, box, nrOfVolumes, kVTCDataTypeFloat);
  vtc.floatSamples = std::move(samples);
  return state_->vtcs[path] = std::move(vtc);
}

Vtc& SimulatedHost::adoptIntVtc(const std::string& path, const Box& box,
                                int nrOfVolumes,
                                SampleVector<std::int16_t> samples,
                                int dataType) {
  checkSampleCount(samples.size(), box, nrOfVolumes);
  Vtc vtc;
  vtc.header = makeHeader(path, box, nrOfVolumes, dataType);
  vtc.intSamples = std::move(samples);
  return state_->vtcs[path] = std::move(vtc);
}

Vtc& SimulatedHost::addVtcWithHeader(const std::string& path,
                                     const VTCHeader& header) {
  Vtc vtc;
  vtc.header = header;
  writeFilePath(vtc.header, path);
  return state_->vtcs[path] = std::move(vtc);
}

Vtc* SimulatedHost::vtc(const std::string& path) {
  auto found = state_->vtcs.find(path);
  return found != state_->vtcs.end() ? &found->second : nullptr;
}

void SimulatedHost::linkVtc(const std::string& path) {
  state_->linkedVtc = state_->vtcs.count(path) != 0 ? path : "";
}

std::string SimulatedHost::linkedVtcPath() const { return state_->linkedVtc; }

// --- Maps ------------------------------------------------------------------

Map& SimulatedHost::addMap(const std::string& name, const Box& box) {
  Map* map = state_->appendMap(name, box);
  if (map == nullptr) throw std::invalid_argument("map box too large");
  return *map;
}

std::size_t SimulatedHost::mapCount() const { return state_->maps.size(); }

Map& SimulatedHost::map(std::size_t index) { return *state_->maps.at(index); }

// --- What the user saw -----------------------------------------------------

const std::vector<std::string>& SimulatedHost::log() const {
  return state_->log;
}

const std::vector<std::string>& SimulatedHost::messageBoxes() const {
  return state_->messageBoxes;
}

bool SimulatedHost::logPaneShown() const { return state_->logPaneShown; }

bool SimulatedHost::ranOutOfMemory() const { return state_->outOfMemory; }

void SimulatedHost::clearLog() {
  state_->log.clear();
  state_->messageBoxes.clear();
}

void SimulatedHost::onLogText(
    std::function<void(const std::string&)> listener) {
  state_->logListeners.push_back(std::move(listener));
}

void SimulatedHost::onMessageBox(
    std::function<void(const std::string&)> listener) {
  state_->messageBoxListeners.push_back(std::move(listener));
}

void SimulatedHost::journalLogLines(bool journaled) {
  state_->journalsLogLines = journaled;
}

// --- Journal ---------------------------------------------------------------

const std::vector<HostCall>& SimulatedHost::journal() const {
  return state_->journal;
}

std::vector<std::string> SimulatedHost::journalNames() const {
  std::vector<std::string> names;
  names.reserve(state_->journal.size());
  for (const HostCall& call : state_->journal) names.push_back(call.entryPoint);
  return names;
}

std::size_t SimulatedHost::callCount(const std::string& entryPoint) const {
  std::size_t count = 0;
  for (const HostCall& call : state_->journal) {
    if (call.entryPoint == entryPoint) ++count;
  }
  return count;
}

void SimulatedHost::clearJournal() { state_->journal.clear(); }

}  // namespace noravia
