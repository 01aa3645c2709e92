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

std::vector<char> readFileListParameter() {
  std::vector<char> list = makeHostBuffer(kFileListBufferSize);
  hostCall(nvGetStringParameter, "FileList", list.data());
  terminateHostText(list);
  return list;
}

std::vector<std::string> chooseVtcs() {
  const std::vector<char> listText = readFileListParameter();
  const FileListEntries split = splitFileList(listText.data());

  if (split.count == 0) {
    auto linked = std::make_unique<VTCHeader>();
    if (hostCall(nvGetHeaderOfVTCOfCurrentVMR, linked.get()) == 0) {
      showMessage(kNoVtcMessage);
      return {};
    }
    return {vtcFilePath(*linked)};
  }
  logFormatted("Plugin>  %i files found in list:", split.count);
  logOmittedFileListEntries(split);
  return std::vector<std::string>(split.entries.begin(),
                                  split.entries.begin() + split.count);
}

}  // namespace quorvel
