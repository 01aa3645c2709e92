#include "plugin/plugin_exports.h"

#include <new>

#include "host/dialog_contract.h"
#include "plugin/nrvaplugin.h"
#include "plugin/plugin_info.h"

extern "C" {

const char* getPluginName() noexcept { return quorvel::kPluginName; }
const char* getPluginVersion() noexcept { return quorvel::kPluginVersion; }
const char* getPluginDescription() noexcept {
  return quorvel::kPluginDescription;
}
const char* getAuthor() noexcept { return quorvel::kPluginAuthor; }
const char* getHelpFile() noexcept { return quorvel::kPluginHelpFile; }
const char* getGUIScript() noexcept { return quorvel::kGuiScriptName; }

NRVAPluginInterface* createPlugin() noexcept {
  return new (std::nothrow) nrvaplugin();
}
}
