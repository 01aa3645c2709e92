// The simulated Noravia host.
//
// The shared object "Noravia.exe" exports the host's 150 entry points with C
// linkage (prototypes in sim/entry_points.h). The 22 that the plug-in calls
// work on the state below; the other 128 only record that they were called.
// Tests and the quorvel tool set the state up and inspect it through
// SimulatedHost::instance().
//
// Every entry-point call, whatever it does, is appended to the journal with
// the entry point's name and a short text of its main argument. The set-up
// functions of this class write no journal entries.
#ifndef QUORVEL_SIM_SIMULATED_HOST_H_
#define QUORVEL_SIM_SIMULATED_HOST_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/host_records.h"
#include "sample_vector.h"

// Marks what the simulated host exports: its C++ API and its entry points.
// A build that compiles the sources into a program of its own may define it
// beforehand.
#ifndef NORAVIA_SIM_API
#if defined(_WIN32)
#define NORAVIA_SIM_API __declspec(dllexport)
#else
#define NORAVIA_SIM_API __attribute__((visibility("default")))
#endif
#endif

// Declares an exported host entry point: C linkage, undecorated name, the
// platform's default calling convention.
#define NORAVIA_SIM_ENTRY_POINT extern "C" NORAVIA_SIM_API

namespace noravia {

// Document type code of a VMR.
constexpr int kVMRDocument = 3;

// Bytes of name storage the host keeps for every map (the plug-in may use
// the first 101 of them).
constexpr std::size_t kMapNameStorageSize = 128;

// Fill byte of every record byte the plug-in does not own, so that tests
// can check those bytes come back untouched. Map name storage past the
// name's NUL is filled with it too.
constexpr unsigned char kHostFillByte = 0xA5;

// A bounding box in VMR space with the edge length of one voxel.
struct NORAVIA_SIM_API Box {
  std::int32_t xStart = 0, xEnd = 0;
  std::int32_t yStart = 0, yEnd = 0;
  std::int32_t zStart = 0, zEnd = 0;
  std::int32_t resolution = 1;

  // Voxels along each axis: the truncated quotient of extent and resolution
  // (0 when the resolution is 0).
  std::int32_t dimX() const;
  std::int32_t dimY() const;
  std::int32_t dimZ() const;
  // dimX * dimY * dimZ, or 0 when any of them is 0 or negative.
  std::int64_t voxelCount() const;
  // A box of dimX x dimY x dimZ voxels of edge `resolution`, from 0.
  static Box ofVoxels(int dimX, int dimY, int dimZ, int resolution = 1);
};

// Same corners and resolution.
NORAVIA_SIM_API bool operator==(const Box& a, const Box& b);

// One call of an entry point, as the journal keeps it.
struct HostCall {
  std::string entryPoint;  // e.g. "nvLogText"
  std::string argument;    // the text, name, path or numbers passed, as text
  // The answer of an entry point whose answer is an outcome (linking a VTC,
  // adding a map) as text, "1" or "0"; empty for every other entry point.
  std::string result;
  // Lines in the log when the call was made: where it stands among them.
  std::size_t logLength = 0;
};

// A map of the VMR. Its address, its name storage and its value array stay
// where they are until the maps are deleted or the host is reset.
struct Map {
  NRVMPRecord record{};           // the record as the host hands it out
  std::vector<char> nameStorage;  // where record.name points (128 bytes)
  Box box;                        // the map's own grid
  std::vector<float> values;      // dimX * dimY * dimZ values, x fastest
  // Every record the plug-in handed back with the entry point that sets
  // a map's parameters, as raw bytes, in order.
  std::vector<std::vector<unsigned char>> recordsSet;

  // The name in the name storage, up to its NUL (or the storage's end).
  std::string name() const {
    std::size_t length = 0;
    while (length < nameStorage.size() && nameStorage[length] != '\0') ++length;
    return std::string(nameStorage.data(), length);
  }
};

// A VTC the host can load, known by its path.
struct Vtc {
  VTCHeader header{};                     // filePath holds the path
  SampleVector<std::int16_t> intSamples;  // used when dataType != 2
  SampleVector<float> floatSamples;       // used when dataType == 2
  bool nullSamples = false;               // the host hands out no sample array
};

class NORAVIA_SIM_API SimulatedHost {
 public:
  // The process-wide host behind the exported entry points.
  static SimulatedHost& instance();

  ~SimulatedHost();
  SimulatedHost(const SimulatedHost&) = delete;
  SimulatedHost& operator=(const SimulatedHost&) = delete;

  // Back to a fresh host: version 2.1.0, one VMR document (id 0) current,
  // no parameters, no VTCs, no maps, empty log, message boxes and journal,
  // log pane hidden, no queued file-dialog answers, no listeners, no
  // faults (in the test build, tests/support/host_faults.h), plug-ins
  // path ".".
  void reset();

  // --- Host and documents -------------------------------------------------
  void setVersion(int major, int minor, int subMinor);
  // Adds a document of `type` and returns its id (ids count from 0).
  int addDocument(int type);
  // Makes `id` the current document; -1 means none.
  void setCurrentDocument(int id);
  int currentDocument() const;

  // --- Dialog parameters --------------------------------------------------
  void setStringParameter(const std::string& name, const std::string& value);
  void setIntParameter(const std::string& name, int value);
  void setFloatParameter(const std::string& name, double value);
  // Unset parameters read as "", 0 and 0.0.
  std::string stringParameter(const std::string& name) const;
  int intParameter(const std::string& name) const;
  double floatParameter(const std::string& name) const;

  // --- Open-file dialog ---------------------------------------------------
  // Answers of the next open-file dialogs, in order: a chosen file's path
  // is copied into the caller's buffer and the dialog returns 1; a
  // cancelled dialog returns 0 and leaves the buffer untouched. With none
  // queued the dialog is cancelled.
  void queueChosenFile(const std::string& path);
  void queueCancelledFileDialog();
  // Titles, list texts and filters the dialogs were opened with.
  struct FileDialogCall {
    std::string title, fileList, filter;
  };
  const std::vector<FileDialogCall>& fileDialogCalls() const;

  // --- Plug-ins folder ----------------------------------------------------
  void setPluginsPath(const std::string& path);
  std::string pluginsPath() const;

  // --- VTCs ---------------------------------------------------------------
  // Registers a VTC at `path` with float samples (dataType 2) or 16-bit
  // samples (dataType `dataType`, 1 unless given). Samples are laid out as
  // the plug-in reads them: time fastest, then x, y, z. Throws
  // std::invalid_argument when the number of samples is not
  // box.voxelCount() * nrOfVolumes. A VTC already known at `path` is
  // replaced. The header's unnamed bytes are kHostFillByte.
  Vtc& addFloatVtc(const std::string& path, const Box& box, int nrOfVolumes,
                   std::vector<float> samples);
  Vtc& addIntVtc(const std::string& path, const Box& box, int nrOfVolumes,
                 std::vector<std::int16_t> samples, int dataType = 1);
  // The same, taking over the samples without a copy.
  Vtc& adoptFloatVtc(const std::string& path, const Box& box, int nrOfVolumes,
                     SampleVector<float> samples);
  Vtc& adoptIntVtc(const std::string& path, const Box& box, int nrOfVolumes,
                   SampleVector<std::int16_t> samples, int dataType = 1);
  // Registers a VTC with a header as given (for headers that cannot
  // describe a VTC); the path is written into its filePath. It holds no
  // samples until the caller adds them.
  Vtc& addVtcWithHeader(const std::string& path, const VTCHeader& header);
  // The VTC known at `path`, or null.
  Vtc* vtc(const std::string& path);
  // Links a VTC without a journal entry, as if the user had done it.
  // Unknown paths unlink.
  void linkVtc(const std::string& path);
  // Path of the linked VTC, or "" when none is linked.
  std::string linkedVtcPath() const;

  // --- Maps ---------------------------------------------------------------
  // Adds a map that was there before the plug-in ran, with zero values.
  Map& addMap(const std::string& name, const Box& box);
  std::size_t mapCount() const;
  // The map at `index` (throws std::out_of_range for an unknown index).
  Map& map(std::size_t index);

  // --- What the user saw --------------------------------------------------
  const std::vector<std::string>& log() const;
  const std::vector<std::string>& messageBoxes() const;
  bool logPaneShown() const;
  // Whether a call into the host failed for want of memory (its log may
  // then lack lines) since the host was reset.
  bool ranOutOfMemory() const;
  // Forgets the log lines and message boxes seen so far.
  void clearLog();
  // Called for every log line and message box as it arrives (the quorvel
  // tool streams them to its outputs). Listeners add up; reset() drops them.
  void onLogText(std::function<void(const std::string&)> listener);
  void onMessageBox(std::function<void(const std::string&)> listener);
  // Whether nvLogText calls go into the journal (they do on a fresh
  // host). A program that reads the log through log() leaves them out, so
  // that a long log is held once; every entry's logLength still places the
  // other calls among the log's lines.
  void journalLogLines(bool journaled);

  // --- Journal ------------------------------------------------------------
  const std::vector<HostCall>& journal() const;
  // Just the entry-point names of the journal, in order.
  std::vector<std::string> journalNames() const;
  // How often `entryPoint` was called since the journal was last cleared.
  std::size_t callCount(const std::string& entryPoint) const;
  void clearJournal();

  // --- Used by the entry points -------------------------------------------
  // Defined in sim/host_state.h.
  struct State;
  State& state();

 private:
  SimulatedHost();
  std::unique_ptr<State> state_;
};

}  // namespace noravia

#endif  // QUORVEL_SIM_SIMULATED_HOST_H_
