#include "host/host_function_table.h"

#include "host/host_functions.h"

namespace quorvel {

HostFunctions boundHostFunctions() {
  HostFunctions host;
  host.getVersionOfNoravia = nvGetVersionOfNoravia;
  host.getIDOfCurrentDocument = nvGetIDOfCurrentDocument;
  host.getDocumentType = nvGetDocumentType;
  host.showLogPane = nvShowLogPane;
  host.logText = nvLogText;
  host.messageBox = nvMessageBox;
  host.getStringParameter = nvGetStringParameter;
  host.setStringParameter = nvSetStringParameter;
  host.getIntParameter = nvGetIntParameter;
  host.getFloatParameter = nvGetFloatParameter;
  host.getOpenFileName = nvGetOpenFileName;
  host.getPluginsPath = nvGetPluginsPath;
  host.getHeaderOfVTCOfCurrentVMR = nvGetHeaderOfVTCOfCurrentVMR;
  host.linkVTCToCurrentVMR = nvLinkVTCToCurrentVMR;
  host.getVTCIntDataOfCurrentVMR = nvGetVTCIntDataOfCurrentVMR;
  host.getVTCFloatDataOfCurrentVMR = nvGetVTCFloatDataOfCurrentVMR;
  host.getCurrentVMR = nvGetCurrentVMR;
  host.deleteNRVMPsOfCurrentVMR = nvDeleteNRVMPsOfCurrentVMR;
  host.createNRVMPsForCurrentVMR = nvCreateNRVMPsForCurrentVMR;
  host.getNRVMPsOfCurrentVMR = nvGetNRVMPsOfCurrentVMR;
  host.getNRVMPOfCurrentVMR = nvGetNRVMPOfCurrentVMR;
  host.setNRVMPParametersOfCurrentVMR = nvSetNRVMPParametersOfCurrentVMR;
  return host;
}

}  // namespace quorvel
