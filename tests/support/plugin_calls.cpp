#include "plugin_calls.h"

namespace quorvel_test {
namespace {

PluginCalls ownCompilerCalls() {
  PluginCalls calls;
  calls.create = [](CreatePluginFunction createPlugin) { return createPlugin(); };
  calls.initPlugin = [](NRVAPluginInterface* plugin) { return plugin->initPlugin(); };
  calls.execute = [](NRVAPluginInterface* plugin) { return plugin->execute(); };
  calls.destroy = [](NRVAPluginInterface* plugin) { destroyPlugin(plugin); };
  return calls;
}

PluginCalls& calls() {
  static PluginCalls current = ownCompilerCalls();
  return current;
}

}  // namespace

const PluginCalls& pluginCalls() { return calls(); }

void usePluginCalls(const PluginCalls& replacement) { calls() = replacement; }

}  // namespace quorvel_test
