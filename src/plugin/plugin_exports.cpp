#include "plugin/plugin_exports.h"

#include <new>

#include "plugin/nrvaplugin.h"
#include "plugin/plugin_info.h"

extern "C" {

const char* getPluginName() { return quorvel::kPluginName; }
const char* getPluginVersion() { return quorvel::kPluginVersion; }
const char* getPluginDescription() { return quorvel::kPluginDescription; }
const char* getAuthor() { return quorvel::kPluginAuthor; }
const char* getHelpFile() { return quorvel::kPluginHelpFile; }
const char* getGUIScript() { return quorvel::kGUIScriptName; }

NRVAPluginInterface* createPlugin() { return new (std::nothrow) nrvaplugin(); }
}
