// How a test host calls into plug-in objects: by default as this program's
// own compiler calls virtual members; the Microsoft-ABI host routes every
// call through call sites compiled in Microsoft's C++ ABI instead, so that
// the same scenarios run as the real host would make them.
#ifndef QUORVEL_TESTS_SUPPORT_PLUGIN_CALLS_H_
#define QUORVEL_TESTS_SUPPORT_PLUGIN_CALLS_H_

#include <memory>

#include "plugin/nrva_plugin_interface.h"

namespace quorvel_test {

using CreatePluginFunction = NRVAPluginInterface* (*)();

// One way of making each call the host makes into the plug-in.
struct PluginCalls {
  NRVAPluginInterface* (*create)(CreatePluginFunction createPlugin);
  bool (*initPlugin)(NRVAPluginInterface* plugin);
  bool (*execute)(NRVAPluginInterface* plugin);
  void (*destroy)(NRVAPluginInterface* plugin);  // as the host's delete
};

// The calls in use; this compiler's own until usePluginCalls().
const PluginCalls& pluginCalls();

// Makes every later call through `replacement`.
void usePluginCalls(const PluginCalls& replacement);

// Ends an object through pluginCalls().destroy.
struct PluginDeleter {
  void operator()(NRVAPluginInterface* plugin) const { pluginCalls().destroy(plugin); }
};

// Owns a plug-in object and ends it as the host does.
using PluginPointer = std::unique_ptr<NRVAPluginInterface, PluginDeleter>;

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_SUPPORT_PLUGIN_CALLS_H_
