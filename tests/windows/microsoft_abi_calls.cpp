// The calls a host built with Microsoft's C++ compiler makes into the
// plug-in: its exports through function pointers, its object through the
// virtual table. Compiled by clang for the i686-pc-windows-msvc target,
// freestanding (see CMakeLists.txt), so that the slot each call takes, the
// calling convention and the arguments are that compiler's, not ours. The
// interface is declared as such a host's header declares it.
//
// Each function makes one call, for microsoft_abi_host.h.

class NRVAPluginInterface {
 public:
  virtual ~NRVAPluginInterface();
  virtual bool execute() = 0;
  virtual bool initPlugin() = 0;
};

typedef NRVAPluginInterface* (*CreatePluginExport)();
typedef const char* (*TextExport)();

extern "C" {

NRVAPluginInterface* microsoftCreatePlugin(CreatePluginExport createPlugin) {
  return createPlugin();
}

const char* microsoftText(TextExport text) { return text(); }

bool microsoftInitPlugin(NRVAPluginInterface* plugin) { return plugin->initPlugin(); }

bool microsoftExecute(NRVAPluginInterface* plugin) { return plugin->execute(); }

void microsoftDelete(NRVAPluginInterface* plugin) { delete plugin; }
}
