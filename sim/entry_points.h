// The 22 entry points of the simulated host that the plug-in calls, as the
// host exports them: C linkage, undecorated names, the platform's default
// calling convention. The other 128 (sim/other_entry_points.cpp) take no
// arguments and return 0.
//
// A build with NORAVIA_SIM_WITHOUT_VERSION_ENTRY_POINT leaves out
// nvGetVersionOfNoravia; one with NORAVIA_SIM_WITHOUT_ICA_DIALOG leaves out
// nvLaunchICADialog. Both serve the binding tests.
#ifndef QUORVEL_SIM_ENTRY_POINTS_H_
#define QUORVEL_SIM_ENTRY_POINTS_H_

#include "simulated_host.h"

#if !defined(NORAVIA_SIM_WITHOUT_VERSION_ENTRY_POINT)
NORAVIA_SIM_ENTRY_POINT int nvGetVersionOfNoravia(int* major, int* minor,
                                                  int* subMinor);
#endif
NORAVIA_SIM_ENTRY_POINT int nvGetIDOfCurrentDocument(void);
NORAVIA_SIM_ENTRY_POINT int nvGetDocumentType(int documentId);
NORAVIA_SIM_ENTRY_POINT int nvShowLogPane(void);
NORAVIA_SIM_ENTRY_POINT int nvLogText(const char* text);
NORAVIA_SIM_ENTRY_POINT int nvMessageBox(const char* text);
NORAVIA_SIM_ENTRY_POINT int nvGetStringParameter(const char* name, char* value);
NORAVIA_SIM_ENTRY_POINT int nvSetStringParameter(const char* name,
                                                 const char* value);
NORAVIA_SIM_ENTRY_POINT int nvGetIntParameter(const char* name);
NORAVIA_SIM_ENTRY_POINT double nvGetFloatParameter(const char* name);
NORAVIA_SIM_ENTRY_POINT int nvGetOpenFileName(const char* title,
                                              const char* fileList,
                                              const char* filter, char* path);
NORAVIA_SIM_ENTRY_POINT int nvGetPluginsPath(char* path);
NORAVIA_SIM_ENTRY_POINT int nvGetHeaderOfVTCOfCurrentVMR(VTCHeader* header);
NORAVIA_SIM_ENTRY_POINT int nvLinkVTCToCurrentVMR(const char* path, int flag);
NORAVIA_SIM_ENTRY_POINT short* nvGetVTCIntDataOfCurrentVMR(void);
NORAVIA_SIM_ENTRY_POINT float* nvGetVTCFloatDataOfCurrentVMR(void);
NORAVIA_SIM_ENTRY_POINT int nvGetCurrentVMR(int* a, int* b, int* c);
NORAVIA_SIM_ENTRY_POINT int nvDeleteNRVMPsOfCurrentVMR(void);
NORAVIA_SIM_ENTRY_POINT int nvCreateNRVMPsForCurrentVMR(int a, int b, int c,
                                                        int d);
NORAVIA_SIM_ENTRY_POINT int nvGetNRVMPsOfCurrentVMR(NRVMPsHeader* header);
NORAVIA_SIM_ENTRY_POINT float* nvGetNRVMPOfCurrentVMR(int index,
                                                      NRVMPRecord* record);
NORAVIA_SIM_ENTRY_POINT int nvSetNRVMPParametersOfCurrentVMR(
    int index, NRVMPRecord* record);

#endif  // QUORVEL_SIM_ENTRY_POINTS_H_
