// The entry points the plug-in calls; each forwards to the host's services.
#include <cstdint>
#include <type_traits>

#include "entry_points.h"
#include "host_services.h"

static_assert(std::is_same<std::int16_t, short>::value,
              "16-bit samples are handed out as short");

namespace services = noravia::services;

#if !defined(NORAVIA_SIM_WITHOUT_VERSION_ENTRY_POINT)
int nvGetVersionOfNoravia(int* major, int* minor, int* subMinor) {
  return services::getVersion(major, minor, subMinor);
}
#endif

int nvGetIDOfCurrentDocument(void) {
  return services::getIDOfCurrentDocument();
}

int nvGetDocumentType(int documentId) {
  return services::getDocumentType(documentId);
}

int nvShowLogPane(void) { return services::showLogPane(); }

int nvLogText(const char* text) { return services::logText(text); }

int nvMessageBox(const char* text) { return services::messageBox(text); }

int nvGetStringParameter(const char* name, char* value) {
  return services::getStringParameter(name, value);
}

int nvSetStringParameter(const char* name, const char* value) {
  return services::setStringParameter(name, value);
}

int nvGetIntParameter(const char* name) {
  return services::getIntParameter(name);
}

double nvGetFloatParameter(const char* name) {
  return services::getFloatParameter(name);
}

int nvGetOpenFileName(const char* title, const char* fileList,
                      const char* filter, char* path) {
  return services::getOpenFileName(title, fileList, filter, path);
}

int nvGetPluginsPath(char* path) { return services::getPluginsPath(path); }

int nvGetHeaderOfVTCOfCurrentVMR(VTCHeader* header) {
  return services::getHeaderOfVTCOfCurrentVMR(header);
}

int nvLinkVTCToCurrentVMR(const char* path, int flag) {
  return services::linkVTCToCurrentVMR(path, flag);
}

short* nvGetVTCIntDataOfCurrentVMR(void) {
  return services::getVTCIntDataOfCurrentVMR();
}

float* nvGetVTCFloatDataOfCurrentVMR(void) {
  return services::getVTCFloatDataOfCurrentVMR();
}

int nvGetCurrentVMR(int* a, int* b, int* c) {
  return services::getCurrentVMR(a, b, c);
}

int nvDeleteNRVMPsOfCurrentVMR(void) {
  return services::deleteNRVMPsOfCurrentVMR();
}

int nvCreateNRVMPsForCurrentVMR(int a, int b, int c, int d) {
  return services::createNRVMPsForCurrentVMR(a, b, c, d);
}

int nvGetNRVMPsOfCurrentVMR(NRVMPsHeader* header) {
  return services::getNRVMPsOfCurrentVMR(header);
}

float* nvGetNRVMPOfCurrentVMR(int index, NRVMPRecord* record) {
  return services::getNRVMPOfCurrentVMR(index, record);
}

int nvSetNRVMPParametersOfCurrentVMR(int index, NRVMPRecord* record) {
  return services::setNRVMPParametersOfCurrentVMR(index, record);
}
