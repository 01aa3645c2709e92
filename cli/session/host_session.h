// The command in the host's place: a simulated Noravia host with one VMR,
// the real Quorvel1_2 library loaded into it, and the dialog's commands
// sent to the plug-in as the host's dialog would send them.
#ifndef QUORVEL_CLI_SESSION_HOST_SESSION_H_
#define QUORVEL_CLI_SESSION_HOST_SESSION_H_

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "cli/base/line_range.h"
#include "cli/nifti/nifti_run.h"
#include "cli/quality/sample_view.h"
#include "cli/session/map_facts.h"
#include "cli/settings/dialog_settings.h"

namespace quorvel::cli {

// Where each line the plug-in shows goes as it arrives.
struct HostListeners {
  std::function<void(const std::string&)> logLine;
  std::function<void(const std::string&)> messageBox;
};

// One map the plug-in made, as it stands in the VMR after the run.
struct MadeMap {
  MapFacts facts;             // display name and thresholds
  std::vector<float> values;  // one per voxel, x fastest
};

// One VTC the plug-in linked during a command, as the host's journal tells.
struct LinkedVtc {
  std::string vtcPath;
  // Indices into maps() of the maps added while it was linked, in order.
  std::vector<std::size_t> mapIndices;
  // The log lines written from its linking to the next VTC's, where the
  // session's logLines() holds them.
  LineRange logLines;
};

class HostSession {
 public:
  // Resets the simulated host to one fresh VMR document, points its
  // plug-ins folder at `pluginsFolder`, and loads the plug-in library at
  // `libraryPath`. Throws a run error when the library cannot be loaded or
  // has no createPlugin.
  HostSession(const std::filesystem::path& libraryPath, const std::filesystem::path& pluginsFolder,
              HostListeners listeners);
  ~HostSession();

  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Makes `run` known to the host as the VTC at `vtcPath`, on a box of the
  // run's voxels with resolution 1, its samples in the host's layout.
  // Releases the run's samples.
  void registerRun(const std::string& vtcPath, NiftiRun& run);

  // Sets the nine analysis parameters of the dialog.
  void setSettings(const DialogSettings& settings);
  // Sets the dialog's file list to `vtcPaths`, one per line.
  void setFileList(const std::vector<std::string>& vtcPaths);
  // The dialog's file list as the plug-in left it.
  std::string fileList() const;
  // The answer of the next open-file dialog the plug-in opens.
  void answerNextFileDialog(const std::string& path);

  // Creates the plug-in object and runs initPlugin; its result.
  bool initPlugin();
  // Stores `command` in the dialog's "Command" and calls execute; its result.
  bool execute(const std::string& command);

  // The maps of the VMR, in the order the plug-in added them.
  std::vector<MadeMap> maps() const;
  // The samples the host holds for the VTC at `vtcPath`, as the plug-in
  // read them; valid while the session lives. Empty for an unknown path.
  SampleView samples(const std::string& vtcPath) const;
  // Every line of the log tab so far, held once, by the host; valid until
  // the plug-in logs again.
  const std::vector<std::string>& logLines() const;

  // The VTCs the plug-in linked during the last execute, in order: each
  // successful link to a VTC (not the unlinking after the last one). Their
  // log lines are valid as logLines() is.
  std::vector<LinkedVtc> linkedVtcs() const;
  // Whether the plug-in asked the host for its plug-ins folder during the
  // last execute, which it does to save its settings and for nothing else.
  bool askedForPluginsFolder() const;
  // Whether the last execute stopped for want of memory: the plug-in said
  // so, or a call into the host failed for it.
  bool ranOutOfMemory() const;

 private:
  struct Plugin;
  void* library_ = nullptr;
  Plugin* plugin_ = nullptr;
  std::size_t mapsBeforeExecute_ = 0;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_HOST_SESSION_H_
