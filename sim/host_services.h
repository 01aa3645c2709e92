// What the simulated host does for each entry point the plug-in calls.
//
// The exported entry points forward here, so that the host's own code never
// calls an entry point by its exported name. Every function appends the call
// to the journal first, then works on SimulatedHost::instance(). Null
// pointers the caller passes are read as empty texts and never written.
#ifndef QUORVEL_SIM_HOST_SERVICES_H_
#define QUORVEL_SIM_HOST_SERVICES_H_

#include <cstdint>

#include "host/host_records.h"

namespace noravia {
namespace services {

// Fills the three version numbers; returns 1.
int getVersion(int* major, int* minor, int* subMinor);
// The current document's id, -1 when there is none.
int getIDOfCurrentDocument();
// The type code of document `id`; 0 for an unknown id.
int getDocumentType(int id);
// Shows the log pane; returns 1.
int showLogPane();
// Appends `text` to the log tab and tells the listeners; returns 1.
int logText(const char* text);
// Notes that a call into the host failed for want of memory.
void noteOutOfMemory() noexcept;
// Shows `text` in a message box and tells the listeners; returns 1.
int messageBox(const char* text);

// Copies the string parameter `name` ("" when unset) into `value`;
// returns 1 when the parameter is set, else 0.
int getStringParameter(const char* name, char* value);
// Sets the string parameter `name`; returns 1.
int setStringParameter(const char* name, const char* value);
// The int parameter `name`, 0 when unset.
int getIntParameter(const char* name);
// The float parameter `name`, 0.0 when unset.
double getFloatParameter(const char* name);

// Records the dialog and pops the next queued answer: copies a chosen path
// into `path` and returns 1, or returns 0 leaving `path` untouched.
int getOpenFileName(const char* title, const char* fileList, const char* filter,
                    char* path);
// Copies the plug-ins folder into `path`; returns 1.
int getPluginsPath(char* path);

// Copies the linked VTC's header into `header`; 0 when none is linked.
int getHeaderOfVTCOfCurrentVMR(VTCHeader* header);
// Links the VTC at `path`; 1 on success, 0 when the path is unknown or
// linking it was set to fail (the link then stays as it was).
int linkVTCToCurrentVMR(const char* path, int flag);
// The linked VTC's 16-bit or float samples, or null when it holds none.
std::int16_t* getVTCIntDataOfCurrentVMR();
float* getVTCFloatDataOfCurrentVMR();
// Fills three ints describing the VMR; returns 1.
int getCurrentVMR(int* a, int* b, int* c);

// Deletes every map; returns 1.
int deleteNRVMPsOfCurrentVMR();
// Appends one zero-filled map; 1 when added, 0 when refused.
int createNRVMPsForCurrentVMR(int a, int b, int c, int d);
// Fills the map count and the newest map's box, every other byte with
// kHostFillByte; returns 1.
int getNRVMPsOfCurrentVMR(NRVMPsHeader* header);
// Copies map `index`'s record into `record` and returns its values; null
// for an unknown index (record untouched) or a withheld array (a fault).
float* getNRVMPOfCurrentVMR(int index, NRVMPRecord* record);
// Keeps the raw record and takes it over into map `index`; 1 when the map
// exists, else 0.
int setNRVMPParametersOfCurrentVMR(int index, NRVMPRecord* record);

// Journal entry of an entry point that does nothing else; returns 0.
int recordOnly(const char* entryPoint);

}  // namespace services
}  // namespace noravia

#endif  // QUORVEL_SIM_HOST_SERVICES_H_
