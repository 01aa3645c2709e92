// The function pointer types of the host's entry points.
#ifndef QUORVEL_HOST_HOST_FUNCTION_TYPES_H_
#define QUORVEL_HOST_HOST_FUNCTION_TYPES_H_

#include "host/host_records.h"

namespace quorvel {

// Type of the entry points the plug-in binds but never calls.
using HostFunction = void (*)();

// Prototypes of the 22 entry points the plug-in calls (C linkage, the
// platform's default calling convention).
extern "C" {
using GetVersionOfNoraviaFn = int (*)(int* major, int* minor, int* subMinor);
using GetIDOfCurrentDocumentFn = int (*)();
using GetDocumentTypeFn = int (*)(int documentId);
using ShowLogPaneFn = int (*)();
using LogTextFn = int (*)(const char* text);
using MessageBoxFn = int (*)(const char* text);
using GetStringParameterFn = int (*)(const char* name, char* value);
using SetStringParameterFn = int (*)(const char* name, const char* value);
using GetIntParameterFn = int (*)(const char* name);
using GetFloatParameterFn = double (*)(const char* name);
using GetOpenFileNameFn = int (*)(const char* title, const char* fileList,
                                  const char* filter, char* path);
using GetPluginsPathFn = int (*)(char* path);
using GetHeaderOfVTCOfCurrentVMRFn = int (*)(VTCHeader* header);
using LinkVTCToCurrentVMRFn = int (*)(const char* path, int flag);
using GetVTCIntDataOfCurrentVMRFn = short* (*)();
using GetVTCFloatDataOfCurrentVMRFn = float* (*)();
using GetCurrentVMRFn = int (*)(int* a, int* b, int* c);
using DeleteNRVMPsOfCurrentVMRFn = int (*)();
using CreateNRVMPsForCurrentVMRFn = int (*)(int a, int b, int c, int d);
using GetNRVMPsOfCurrentVMRFn = int (*)(NRVMPsHeader* header);
using GetNRVMPOfCurrentVMRFn = float* (*)(int index, NRVMPRecord* record);
using SetNRVMPParametersOfCurrentVMRFn = int (*)(int index,
                                                 NRVMPRecord* record);
}

}  // namespace quorvel

#endif  // QUORVEL_HOST_HOST_FUNCTION_TYPES_H_
