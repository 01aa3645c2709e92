#include "dialog/command_dispatch.h"

#include <cstring>
#include <vector>

#include "analysis/analysis_run.h"
#include "dialog/analysis_settings.h"
#include "dialog/file_list.h"
#include "dialog/host_text_buffer.h"
#include "dialog/mdm_reader.h"
#include "dialog/settings_persistence.h"
#include "host/host_call.h"
#include "host/host_text.h"

namespace quorvel {
namespace {

// The dialog's "FileList", read from the host into a buffer of its full
// capacity.
std::vector<char> readFileList() {
  std::vector<char> list = makeHostBuffer(kFileListBufferSize);
  hostCall(nvGetStringParameter, "FileList", list.data());
  terminateHostText(list);
  return list;
}

// "AddFile": one VTC chosen by the user joins the list.
bool addFile() {
  std::vector<char> list = readFileList();
  std::vector<char> path = makeHostBuffer(kHostTextBufferSize);
  const int chosen = hostCall(nvGetOpenFileName, "Select a VTC", list.data(),
                              "Volume Time Course (*.vtc)", path.data());
  if (chosen == 0) return true;
  terminateHostText(path);
  if (appendToFileList(list.data(), list.size(), path.data()))
    hostCall(nvSetStringParameter, "FileList", list.data());
  return true;
}

// "AddMDM": the VTCs named in an MDM file chosen by the user join the list.
bool addMDM() {
  std::vector<char> list = readFileList();
  if (readMDMFile(list.data(), list.size()))
    hostCall(nvSetStringParameter, "FileList", list.data());
  return true;
}

// "Start": the analysis with the dialog's settings, which are saved into
// the GUI script when the run completes.
bool start() {
  const AnalysisSettings settings = readAnalysisSettings();
  logAnalysisSettings(settings);
  if (!runAnalysis(settings)) return false;
  saveSettingsToGUIScript(settings);
  logText("Plugin Successfully completed");
  return true;
}

}  // namespace

bool dispatchCommand() {
  std::vector<char> command = makeHostBuffer(kHostTextBufferSize);
  hostCall(nvGetStringParameter, "Command", command.data());
  terminateHostText(command);
  hostCall(nvShowLogPane);
  logFormatted("Plugin>  Command received: %s", command.data());

  if (std::strcmp(command.data(), "AddFile") == 0) return addFile();
  if (std::strcmp(command.data(), "AddMDM") == 0) return addMDM();
  if (std::strcmp(command.data(), "Start") == 0) return start();
  logFormatted("Plugin>  Received unknown command: \"%s\".", command.data());
  return true;
}

}  // namespace quorvel
