// The entry points the plug-in calls; each forwards to the host's services.
#include <cstdint>
#include <new>
#include <type_traits>

#include "entry_points.h"
#include "host_services.h"

static_assert(std::is_same<std::int16_t, short>::value,
              "16-bit samples are handed out as short");

namespace services = noravia::services;

namespace {

// The plug-in calls the host through C entry points: an exception thrown
// back into it would end the process. A call the host has no memory for
// fails as a call it cannot serve does (0 or null), and the host notes it.
template <typename Result, typename... Params, typename... Args>
Result guarded(Result (*service)(Params...), Args... args) {
  try {
    return service(args...);
  } catch (const std::bad_alloc&) {
    services::noteOutOfMemory();
    return Result{};
  }
}

}  // namespace

#if !defined(NORAVIA_SIM_WITHOUT_VERSION_ENTRY_POINT)
int nvGetVersionOfNoravia(int* major, int* minor, int* subMinor) {
  return guarded(services::getVersion, major, minor, subMinor);
}
#endif

int nvGetIDOfCurrentDocument(void) {
  return guarded(services::getIDOfCurrentDocument);
}

int nvGetDocumentType(int documentId) {
  return guarded(services::getDocumentType, documentId);
}

int nvShowLogPane(void) { return guarded(services::showLogPane); }

int nvLogText(const char* text) { return guarded(services::logText, text); }

int nvMessageBox(const char* text) {
  return guarded(services::messageBox, text);
}

int nvGetStringParameter(const char* name, char* value) {
  return guarded(services::getStringParameter, name, value);
}

int nvSetStringParameter(const char* name, const char* value) {
  return guarded(services::setStringParameter, name, value);
}

int nvGetIntParameter(const char* name) {
  return guarded(services::getIntParameter, name);
}

double nvGetFloatParameter(const char* name) {
  return guarded(services::getFloatParameter, name);
}

int nvGetOpenFileName(const char* title, const char* fileList,
                      const char* filter, char* path) {
  return guarded(services::getOpenFileName, title, fileList, filter, path);
}

int nvGetPluginsPath(char* path) {
  return guarded(services::getPluginsPath, path);
}

int nvGetHeaderOfVTCOfCurrentVMR(VTCHeader* header) {
  return guarded(services::getHeaderOfVTCOfCurrentVMR, header);
}

int nvLinkVTCToCurrentVMR(const char* path, int flag) {
  return guarded(services::linkVTCToCurrentVMR, path, flag);
}

short* nvGetVTCIntDataOfCurrentVMR(void) {
  return guarded(services::getVTCIntDataOfCurrentVMR);
}

float* nvGetVTCFloatDataOfCurrentVMR(void) {
  return guarded(services::getVTCFloatDataOfCurrentVMR);
}

int nvGetCurrentVMR(int* a, int* b, int* c) {
  return guarded(services::getCurrentVMR, a, b, c);
}

int nvDeleteNRVMPsOfCurrentVMR(void) {
  return guarded(services::deleteNRVMPsOfCurrentVMR);
}

int nvCreateNRVMPsForCurrentVMR(int a, int b, int c, int d) {
  return guarded(services::createNRVMPsForCurrentVMR, a, b, c, d);
}

int nvGetNRVMPsOfCurrentVMR(NRVMPsHeader* header) {
  return guarded(services::getNRVMPsOfCurrentVMR, header);
}

float* nvGetNRVMPOfCurrentVMR(int index, NRVMPRecord* record) {
  return guarded(services::getNRVMPOfCurrentVMR, index, record);
}

int nvSetNRVMPParametersOfCurrentVMR(int index, NRVMPRecord* record) {
  return guarded(services::setNRVMPParametersOfCurrentVMR, index, record);
}
