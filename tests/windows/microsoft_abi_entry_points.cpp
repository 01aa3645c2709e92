// The host's entry points that the plug-in calls, compiled by clang in
// Microsoft's C++ ABI like microsoft_abi_calls.cpp, so that the plug-in's
// calls into the host land in code of that compiler's conventions (cdecl,
// the double of nvGetFloatParameter returned in ST0). Each forwards to the
// simulated host's own entry point, renamed "sim..." by
// microsoft_abi_sim_entry_points.cpp. GNU ld ignores the export directives
// clang writes for __declspec(dllexport), so microsoft_abi_host.def exports
// these names.

struct VTCHeader;
struct NRVMPsHeader;
struct NRVMPRecord;

extern "C" {
int simGetVersionOfNoravia(int* major, int* minor, int* subMinor);
int simGetIDOfCurrentDocument(void);
int simGetDocumentType(int documentId);
int simShowLogPane(void);
int simLogText(const char* text);
int simMessageBox(const char* text);
int simGetStringParameter(const char* name, char* value);
int simSetStringParameter(const char* name, const char* value);
int simGetIntParameter(const char* name);
double simGetFloatParameter(const char* name);
int simGetOpenFileName(const char* title, const char* fileList, const char* filter, char* path);
int simGetPluginsPath(char* path);
int simGetHeaderOfVTCOfCurrentVMR(VTCHeader* header);
int simLinkVTCToCurrentVMR(const char* path, int flag);
short* simGetVTCIntDataOfCurrentVMR(void);
float* simGetVTCFloatDataOfCurrentVMR(void);
int simGetCurrentVMR(int* a, int* b, int* c);
int simDeleteNRVMPsOfCurrentVMR(void);
int simCreateNRVMPsForCurrentVMR(int a, int b, int c, int d);
int simGetNRVMPsOfCurrentVMR(NRVMPsHeader* header);
float* simGetNRVMPOfCurrentVMR(int index, NRVMPRecord* record);
int simSetNRVMPParametersOfCurrentVMR(int index, NRVMPRecord* record);

__declspec(dllexport) int nvGetVersionOfNoravia(int* major, int* minor, int* subMinor) {
  return simGetVersionOfNoravia(major, minor, subMinor);
}

__declspec(dllexport) int nvGetIDOfCurrentDocument(void) { return simGetIDOfCurrentDocument(); }

__declspec(dllexport) int nvGetDocumentType(int documentId) {
  return simGetDocumentType(documentId);
}

__declspec(dllexport) int nvShowLogPane(void) { return simShowLogPane(); }

__declspec(dllexport) int nvLogText(const char* text) { return simLogText(text); }

__declspec(dllexport) int nvMessageBox(const char* text) { return simMessageBox(text); }

__declspec(dllexport) int nvGetStringParameter(const char* name, char* value) {
  return simGetStringParameter(name, value);
}

__declspec(dllexport) int nvSetStringParameter(const char* name, const char* value) {
  return simSetStringParameter(name, value);
}

__declspec(dllexport) int nvGetIntParameter(const char* name) { return simGetIntParameter(name); }

// The value is kept in this function's frame, so that it returns from this
// compiler's code rather than through a jump into the simulated host.
__declspec(dllexport) double nvGetFloatParameter(const char* name) {
  volatile double value = simGetFloatParameter(name);
  return value;
}

__declspec(dllexport) int nvGetOpenFileName(const char* title, const char* fileList,
                                            const char* filter, char* path) {
  return simGetOpenFileName(title, fileList, filter, path);
}

__declspec(dllexport) int nvGetPluginsPath(char* path) { return simGetPluginsPath(path); }

__declspec(dllexport) int nvGetHeaderOfVTCOfCurrentVMR(VTCHeader* header) {
  return simGetHeaderOfVTCOfCurrentVMR(header);
}

__declspec(dllexport) int nvLinkVTCToCurrentVMR(const char* path, int flag) {
  return simLinkVTCToCurrentVMR(path, flag);
}

__declspec(dllexport) short* nvGetVTCIntDataOfCurrentVMR(void) {
  return simGetVTCIntDataOfCurrentVMR();
}

__declspec(dllexport) float* nvGetVTCFloatDataOfCurrentVMR(void) {
  return simGetVTCFloatDataOfCurrentVMR();
}

__declspec(dllexport) int nvGetCurrentVMR(int* a, int* b, int* c) {
  return simGetCurrentVMR(a, b, c);
}

__declspec(dllexport) int nvDeleteNRVMPsOfCurrentVMR(void) { return simDeleteNRVMPsOfCurrentVMR(); }

__declspec(dllexport) int nvCreateNRVMPsForCurrentVMR(int a, int b, int c, int d) {
  return simCreateNRVMPsForCurrentVMR(a, b, c, d);
}

__declspec(dllexport) int nvGetNRVMPsOfCurrentVMR(NRVMPsHeader* header) {
  return simGetNRVMPsOfCurrentVMR(header);
}

__declspec(dllexport) float* nvGetNRVMPOfCurrentVMR(int index, NRVMPRecord* record) {
  return simGetNRVMPOfCurrentVMR(index, record);
}

__declspec(dllexport) int nvSetNRVMPParametersOfCurrentVMR(int index, NRVMPRecord* record) {
  return simSetNRVMPParametersOfCurrentVMR(index, record);
}
}
