#include "dialog/command_dispatch.h"

#include <cstring>
#include <string>
#include <vector>

#include "analysis/analysis_run.h"
#include "dialog/analysis_settings.h"
#include "dialog/file_list.h"
#include "dialog/host_text_buffer.h"
#include "dialog/mdm_reader.h"
#include "dialog/settings_persistence.h"
#include "dialog/vtc_selection.h"
#include "host/host_call.h"
#include "host/host_text.h"

namespace quorvel {
namespace {

// "AddFile": one VTC chosen by the user joins the list.
bool addFile(const HostFunctions& host) {
  std::vector<char> list = readFileListParameter(host);
  std::vector<char> path = makeHostBuffer(kHostTextBufferSize);
  const int chosen = hostCall(host.getOpenFileName, "Select a VTC", list.data(),
                              "Volume Time Course (*.vtc)", path.data());
  if (chosen == 0) return true;
  terminateHostText(path);
  if (appendToFileList(host, list.data(), list.size(), path.data()))
    hostCall(host.setStringParameter, "FileList", list.data());
  return true;
}

// "AddMDM": the VTCs named in an MDM file chosen by the user join the list.
bool addMDM(const HostFunctions& host) {
  std::vector<char> list = readFileListParameter(host);
  if (readMDMFile(host, list.data(), list.size()))
    hostCall(host.setStringParameter, "FileList", list.data());
  return true;
}

// "Start": the analysis with the dialog's settings, which are saved into
// the GUI script when the run completes.
bool start(const HostFunctions& host) {
  const AnalysisSettings settings = readAnalysisSettings(host);
  logAnalysisSettings(host, settings);
  const std::vector<std::string> vtcPaths = chooseVtcs(host);
  if (vtcPaths.empty() || !runAnalysis(host, settings, vtcPaths)) return false;
  saveSettingsToGUIScript(host, settings);
  logText(host, "Plugin Successfully completed");
  return true;
}

}  // namespace

bool dispatchCommand(const HostFunctions& host) {
  std::vector<char> command = makeHostBuffer(kHostTextBufferSize);
  hostCall(host.getStringParameter, "Command", command.data());
  terminateHostText(command);
  hostCall(host.showLogPane);
  logFormatted(host, "Plugin>  Command received: %s", command.data());

  if (std::strcmp(command.data(), "AddFile") == 0) return addFile(host);
  if (std::strcmp(command.data(), "AddMDM") == 0) return addMDM(host);
  if (std::strcmp(command.data(), "Start") == 0) return start(host);
  logFormatted(host, "Plugin>  Received unknown command: \"%s\".",
               command.data());
  return true;
}

}  // namespace quorvel
