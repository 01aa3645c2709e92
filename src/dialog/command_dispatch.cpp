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
bool addFile() {
  std::vector<char> list = readFileListParameter();
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
  std::vector<char> list = readFileListParameter();
  if (readMDMFile(list.data(), list.size()))
    hostCall(nvSetStringParameter, "FileList", list.data());
  return true;
}

// "Start": the analysis with the dialog's settings, which are saved into
// the GUI script when the run completes.
bool start() {
  const AnalysisSettings settings = readAnalysisSettings();
  logAnalysisSettings(settings);
  const std::vector<std::string> vtcPaths = chooseVtcs();
  if (vtcPaths.empty() || !runAnalysis(settings, vtcPaths)) return false;
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
