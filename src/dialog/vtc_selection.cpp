#include "dialog/vtc_selection.h"

#include <memory>

#include "analysis/vtc_geometry.h"
#include "dialog/file_list.h"
#include "dialog/host_text_buffer.h"
#include "host/host_call.h"
#include "host/host_records.h"
#include "host/host_text.h"

namespace quorvel {
namespace {

const char kNoVtcMessage[] =
    "This plugin requires a VTC to operate!\n\nYou can either:\n\n"
    "    1. Link a VTC to the VMR\n"
    "    2. Add 1 or more VTCs to the list in the plugin dialog.\n";

}  // namespace

std::vector<char> readFileListParameter(const HostFunctions& host) {
  std::vector<char> list = makeHostBuffer(kFileListBufferSize);
  hostCall(host.getStringParameter, "FileList", list.data());
  terminateHostText(list);
  return list;
}

std::vector<std::string> chooseVtcs(const HostFunctions& host) {
  const std::vector<char> listText = readFileListParameter(host);
  const FileListEntries split = splitFileList(listText.data());

  if (split.count == 0) {
    auto linked = std::make_unique<VTCHeader>();
    if (hostCall(host.getHeaderOfVTCOfCurrentVMR, linked.get()) == 0) {
      showMessage(host, kNoVtcMessage);
      return {};
    }
    return {vtcFilePath(*linked)};
  }
  logFormatted(host, "Plugin>  %i files found in list:", split.count);
  logOmittedFileListEntries(host, split);
  return std::vector<std::string>(split.entries.begin(),
                                  split.entries.begin() + split.count);
}

}  // namespace quorvel
