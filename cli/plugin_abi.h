// The plug-in library's binary interface as a host sees it.
#ifndef QUORVEL_CLI_PLUGIN_ABI_H_
#define QUORVEL_CLI_PLUGIN_ABI_H_

namespace quorvel::cli {

// The plug-in object's interface: its virtual table holds the destructor,
// execute and initPlugin, in that order. The object itself lives in the
// plug-in library; the host only calls through the table and destroys the
// object with delete. The class must keep external linkage: with internal
// linkage a compiler may conclude that no class derives from it and turn
// the calls into calls of the pure functions.
class NRVAPluginInterface {
 public:
  virtual ~NRVAPluginInterface();
  // Handles the command in the dialog's "Command" parameter.
  virtual bool execute() = 0;
  // Binds the host and runs the start-up checks; true when ready.
  virtual bool initPlugin() = 0;
};

// The library's factory export, "createPlugin".
using CreatePluginFunction = NRVAPluginInterface* (*)();

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_PLUGIN_ABI_H_
