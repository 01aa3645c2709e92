#include "host_state.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace noravia {
namespace {

// The largest map the host allocates (one gibibyte of values).
constexpr std::int64_t kMaxMapVoxels = std::int64_t{1} << 28;

// Record fields of a map the host has just made.
constexpr float kNewMapLowerThreshold = 2.0f;
constexpr float kNewMapUpperThreshold = 8.0f;

}  // namespace

Vtc* SimulatedHost::State::linked() {
  if (linkedVtc.empty()) return nullptr;
  auto found = vtcs.find(linkedVtc);
  return found != vtcs.end() ? &found->second : nullptr;
}

Map* SimulatedHost::State::appendMap(const std::string& name, const Box& box) {
  const std::int64_t voxels = box.voxelCount();
  if (voxels > kMaxMapVoxels) return nullptr;
  try {
    auto map = std::make_unique<Map>();
    map->box = box;
    map->values.reserve(std::max<std::int64_t>(voxels, 1));  // never null
    map->values.assign(static_cast<std::size_t>(voxels), 0.0f);

    map->nameStorage.assign(kMapNameStorageSize,
                            static_cast<char>(kHostFillByte));
    const std::size_t nameLength = std::min(name.size(), kMapNameStorage - 1);
    std::memcpy(map->nameStorage.data(), name.data(), nameLength);
    map->nameStorage[nameLength] = '\0';

    std::memset(&map->record, kHostFillByte, sizeof map->record);
    map->record.name = map->nameStorage.data();
    map->record.lowerThreshold = kNewMapLowerThreshold;
    map->record.upperThreshold = kNewMapUpperThreshold;
    map->record.displayOption40 = 0;
    map->record.displayOption76 = 1;
    map->record.displayValue80 = 1.0f;
    map->record.selectedMap92 = 0;

    maps.push_back(std::move(map));
    return maps.back().get();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void SimulatedHost::State::appendLog(const std::string& text) {
  log.push_back(text);
  for (const Listener& listener : logListeners) listener(text);
}

void SimulatedHost::State::appendMessageBox(const std::string& text) {
  messageBoxes.push_back(text);
  for (const Listener& listener : messageBoxListeners) listener(text);
}

void SimulatedHost::State::record(const char* entryPoint,
                                  std::string argument) {
  journal.push_back(
      HostCall{entryPoint, std::move(argument), std::string(), log.size()});
}

int SimulatedHost::State::answer(int answer) {
  if (!journal.empty()) journal.back().result = std::to_string(answer);
  return answer;
}

}  // namespace noravia
