// The 128 entry points the plug-in binds but never calls: each records the
// call in the journal and returns 0. They are generated from the list of
// all entry points; the ones with a prototype of their own are skipped
// here and live in called_entry_points.cpp.
#include "entry_points.h"
#include "host/host_entry_points.h"
#include "host_services.h"

#if defined(NORAVIA_SIM_WITHOUT_ICA_DIALOG)
// This build leaves the ICA dialog out: its stub gets a name that no
// caller looks up.
#define nvLaunchICADialog noraviaSimLeftOutICADialog
#endif

#define NORAVIA_SIM_STUB(name, type) NORAVIA_SIM_STUB_##type(name)

#define NORAVIA_SIM_STUB_HostFunction(name)      \
  NORAVIA_SIM_ENTRY_POINT int name(void) {       \
    return noravia::services::recordOnly(#name); \
  }

// Entry points with a prototype of their own.
#define NORAVIA_SIM_STUB_GetPluginsPathFn(name)
#define NORAVIA_SIM_STUB_ShowLogPaneFn(name)
#define NORAVIA_SIM_STUB_LogTextFn(name)
#define NORAVIA_SIM_STUB_MessageBoxFn(name)
#define NORAVIA_SIM_STUB_GetOpenFileNameFn(name)
#define NORAVIA_SIM_STUB_GetDocumentTypeFn(name)
#define NORAVIA_SIM_STUB_GetIDOfCurrentDocumentFn(name)
#define NORAVIA_SIM_STUB_GetCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_GetNRVMPsOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_GetNRVMPOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_SetNRVMPParametersOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_CreateNRVMPsForCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_DeleteNRVMPsOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_LinkVTCToCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_GetHeaderOfVTCOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_GetVTCFloatDataOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_GetVTCIntDataOfCurrentVMRFn(name)
#define NORAVIA_SIM_STUB_GetStringParameterFn(name)
#define NORAVIA_SIM_STUB_GetIntParameterFn(name)
#define NORAVIA_SIM_STUB_GetFloatParameterFn(name)
#define NORAVIA_SIM_STUB_SetStringParameterFn(name)

QUORVEL_HOST_OTHER_ENTRY_POINTS(NORAVIA_SIM_STUB)
