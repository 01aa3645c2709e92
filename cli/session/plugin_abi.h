// The plug-in library's binary interface as a host sees it.
#ifndef QUORVEL_CLI_SESSION_PLUGIN_ABI_H_
#define QUORVEL_CLI_SESSION_PLUGIN_ABI_H_

// The plug-in object's interface, declared as every host declares it: at
// global scope under this exact name, so that its type is the base of the
// library's plug-in class also for run-time type checks. Its virtual table
// holds the destructor, execute and initPlugin, in that order. Objects are
// made by the library's createPlugin and ended by the host with delete.
class NRVAPluginInterface {
 public:
  virtual ~NRVAPluginInterface() {}
  // Handles the command in the dialog's "Command" parameter.
  virtual bool execute() = 0;
  // Binds the host and runs the start-up checks; true when ready.
  virtual bool initPlugin() = 0;
};

namespace quorvel::cli {

// The library's factory export, "createPlugin".
using CreatePluginFunction = NRVAPluginInterface* (*)();

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_PLUGIN_ABI_H_
