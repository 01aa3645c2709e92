// The C exports through which the host identifies the plug-in and creates
// plug-in objects. Every text stays valid while the library is loaded.
// Nothing the host calls throws: an exception must never unwind into a
// host built by another compiler.
#ifndef QUORVEL_PLUGIN_PLUGIN_EXPORTS_H_
#define QUORVEL_PLUGIN_PLUGIN_EXPORTS_H_

#include "plugin/export.h"
#include "plugin/nrva_plugin_interface.h"

extern "C" {
QUORVEL_EXPORT const char* getPluginName() noexcept;
QUORVEL_EXPORT const char* getPluginVersion() noexcept;
QUORVEL_EXPORT const char* getPluginDescription() noexcept;
QUORVEL_EXPORT const char* getAuthor() noexcept;
QUORVEL_EXPORT const char* getHelpFile() noexcept;
QUORVEL_EXPORT const char* getGUIScript() noexcept;

// A new plug-in object, owned by the caller; null when out of memory.
QUORVEL_EXPORT NRVAPluginInterface* createPlugin() noexcept;
}

#endif  // QUORVEL_PLUGIN_PLUGIN_EXPORTS_H_
