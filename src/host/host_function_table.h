// The table of the host functions the plug-in calls, handed down from the
// plug-in object to the code below it.
//
// The library fills it from the process-wide bound pointers; a unit test
// fills it with fakes of its own, so a layer runs without a host. A null
// member is an entry point the host does not export: hostCall() then yields
// the host's "failed" answer (0 or a null pointer).
#ifndef QUORVEL_HOST_HOST_FUNCTION_TABLE_H_
#define QUORVEL_HOST_HOST_FUNCTION_TABLE_H_

#include "host/host_function_types.h"

namespace quorvel {

struct HostFunctions {
  // Writes the host's version numbers.
  GetVersionOfNoraviaFn getVersionOfNoravia = nullptr;
  // Id of the current document, negative when none is open.
  GetIDOfCurrentDocumentFn getIDOfCurrentDocument = nullptr;
  // Type of document `documentId` (3 is a VMR).
  GetDocumentTypeFn getDocumentType = nullptr;
  // Brings the log pane to the front.
  ShowLogPaneFn showLogPane = nullptr;
  // Appends one line to the log tab.
  LogTextFn logText = nullptr;
  // Shows a message box and waits for the user.
  MessageBoxFn messageBox = nullptr;
  // Copies the dialog's text parameter `name` into `value`.
  GetStringParameterFn getStringParameter = nullptr;
  // Sets the dialog's text parameter `name` to `value`.
  SetStringParameterFn setStringParameter = nullptr;
  // The dialog's integer parameter `name` (check boxes).
  GetIntParameterFn getIntParameter = nullptr;
  // The dialog's number parameter `name`.
  GetFloatParameterFn getFloatParameter = nullptr;
  // Lets the user choose a file; nonzero with its path in `path`.
  GetOpenFileNameFn getOpenFileName = nullptr;
  // Writes the plug-ins folder, with a trailing separator, into `path`.
  GetPluginsPathFn getPluginsPath = nullptr;
  // Copies the header of the VTC linked to the current VMR.
  GetHeaderOfVTCOfCurrentVMRFn getHeaderOfVTCOfCurrentVMR = nullptr;
  // Links (flag 1) or unlinks (flag 0) the VTC at `path`; 0 on failure.
  LinkVTCToCurrentVMRFn linkVTCToCurrentVMR = nullptr;
  // The linked VTC's 16-bit samples, or null.
  GetVTCIntDataOfCurrentVMRFn getVTCIntDataOfCurrentVMR = nullptr;
  // The linked VTC's float samples, or null.
  GetVTCFloatDataOfCurrentVMRFn getVTCFloatDataOfCurrentVMR = nullptr;
  // Writes three numbers describing the current VMR.
  GetCurrentVMRFn getCurrentVMR = nullptr;
  // Deletes every map of the current VMR.
  DeleteNRVMPsOfCurrentVMRFn deleteNRVMPsOfCurrentVMR = nullptr;
  // Adds one map to the current VMR; 0 on failure.
  CreateNRVMPsForCurrentVMRFn createNRVMPsForCurrentVMR = nullptr;
  // Copies the header of the current VMR's maps.
  GetNRVMPsOfCurrentVMRFn getNRVMPsOfCurrentVMR = nullptr;
  // Copies map `index`'s record and returns its values, or null.
  GetNRVMPOfCurrentVMRFn getNRVMPOfCurrentVMR = nullptr;
  // Stores `record` as map `index`'s display parameters.
  SetNRVMPParametersOfCurrentVMRFn setNRVMPParametersOfCurrentVMR = nullptr;
};

// The 22 called entry points as bound in this process right now, null where
// the host does not export one (all null before the first binding).
HostFunctions boundHostFunctions();

}  // namespace quorvel

#endif  // QUORVEL_HOST_HOST_FUNCTION_TABLE_H_
