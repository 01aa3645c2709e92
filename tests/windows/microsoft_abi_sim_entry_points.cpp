// The simulated host's entry points that the plug-in calls, compiled under
// the names "sim...", so that the Microsoft-compiled entry points of
// microsoft_abi_entry_points.cpp, which the host exports instead, can
// forward to them.
#define nvGetVersionOfNoravia simGetVersionOfNoravia
#define nvGetIDOfCurrentDocument simGetIDOfCurrentDocument
#define nvGetDocumentType simGetDocumentType
#define nvShowLogPane simShowLogPane
#define nvLogText simLogText
#define nvMessageBox simMessageBox
#define nvGetStringParameter simGetStringParameter
#define nvSetStringParameter simSetStringParameter
#define nvGetIntParameter simGetIntParameter
#define nvGetFloatParameter simGetFloatParameter
#define nvGetOpenFileName simGetOpenFileName
#define nvGetPluginsPath simGetPluginsPath
#define nvGetHeaderOfVTCOfCurrentVMR simGetHeaderOfVTCOfCurrentVMR
#define nvLinkVTCToCurrentVMR simLinkVTCToCurrentVMR
#define nvGetVTCIntDataOfCurrentVMR simGetVTCIntDataOfCurrentVMR
#define nvGetVTCFloatDataOfCurrentVMR simGetVTCFloatDataOfCurrentVMR
#define nvGetCurrentVMR simGetCurrentVMR
#define nvDeleteNRVMPsOfCurrentVMR simDeleteNRVMPsOfCurrentVMR
#define nvCreateNRVMPsForCurrentVMR simCreateNRVMPsForCurrentVMR
#define nvGetNRVMPsOfCurrentVMR simGetNRVMPsOfCurrentVMR
#define nvGetNRVMPOfCurrentVMR simGetNRVMPOfCurrentVMR
#define nvSetNRVMPParametersOfCurrentVMR simSetNRVMPParametersOfCurrentVMR

#include "sim/called_entry_points.cpp"  // NOLINT(bugprone-suspicious-include)
