// The simulated host's state, shared by its C++ API and its entry points.
#ifndef QUORVEL_SIM_HOST_STATE_H_
#define QUORVEL_SIM_HOST_STATE_H_

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simulated_host.h"

namespace noravia {

// Everything the host knows. reset() puts a default-constructed State in
// place, so the initialisers below are the fresh host.
struct SimulatedHost::State {
  using Listener = std::function<void(const std::string&)>;

  int versionMajor = 2, versionMinor = 1, versionSubMinor = 0;
  std::vector<int> documentTypes{kVMRDocument};  // indexed by document id
  int currentDocument = 0;

  std::map<std::string, std::string> stringParameters;
  std::map<std::string, int> intParameters;
  std::map<std::string, double> floatParameters;

  // Next open-file dialog answers: a path, or nothing for "cancelled".
  std::deque<std::optional<std::string>> fileDialogAnswers;
  std::vector<FileDialogCall> fileDialogCalls;

  std::string pluginsPath = ".";

  std::map<std::string, Vtc> vtcs;  // nodes never move
  std::string linkedVtc;            // "" when none is linked

  // unique_ptr keeps every map (and so its name storage and values) in
  // place while more maps are added.
  std::vector<std::unique_ptr<Map>> maps;

  std::vector<std::string> log;
  std::vector<std::string> messageBoxes;
  bool logPaneShown = false;
  bool outOfMemory = false;  // a call into the host failed for want of memory
  std::vector<Listener> logListeners;
  std::vector<Listener> messageBoxListeners;

  std::vector<HostCall> journal;
  bool journalsLogLines = true;  // nvLogText calls go into the journal

  // The linked VTC, or null.
  Vtc* linked();
  // Appends a map on `box` named `name`, its record filled as a new map's.
  // Null when the box holds too many voxels to allocate.
  Map* appendMap(const std::string& name, const Box& box);
  void appendLog(const std::string& text);
  void appendMessageBox(const std::string& text);
  void record(const char* entryPoint, std::string argument);
  // Notes `answer` as the result of the call recorded last; returns it.
  int answer(int answer);
};

}  // namespace noravia

#endif  // QUORVEL_SIM_HOST_STATE_H_
