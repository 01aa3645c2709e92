// The C exports through which the host identifies the plug-in and creates
// plug-in objects. Every text stays valid while the library is loaded.
#ifndef QUORVEL_PLUGIN_PLUGIN_EXPORTS_H_
#define QUORVEL_PLUGIN_PLUGIN_EXPORTS_H_

#include "plugin/export.h"
#include "plugin/nrva_plugin_interface.h"

extern "C" {
QUORVEL_EXPORT const char* getPluginName();
QUORVEL_EXPORT const char* getPluginVersion();
QUORVEL_EXPORT const char* getPluginDescription();
QUORVEL_EXPORT const char* getAuthor();
QUORVEL_EXPORT const char* getHelpFile();
QUORVEL_EXPORT const char* getGUIScript();

// A new plug-in object, owned by the caller; null when out of memory.
QUORVEL_EXPORT NRVAPluginInterface* createPlugin();
}

#endif  // QUORVEL_PLUGIN_PLUGIN_EXPORTS_H_
