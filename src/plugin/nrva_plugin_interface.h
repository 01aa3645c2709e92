// The abstract plug-in interface that the Noravia host knows.
//
// The host obtains an object from createPlugin(), calls initPlugin() once and
// execute() for every command of the plug-in's dialog, all through the
// virtual table, whose slot order (destructor, execute, initPlugin) is part
// of the contract. The host destroys the object with delete.
#ifndef QUORVEL_PLUGIN_NRVA_PLUGIN_INTERFACE_H_
#define QUORVEL_PLUGIN_NRVA_PLUGIN_INTERFACE_H_

#include "plugin/export.h"

class QUORVEL_EXPORT NRVAPluginInterface {
 public:
  NRVAPluginInterface();
  NRVAPluginInterface(const NRVAPluginInterface& other);
  NRVAPluginInterface& operator=(const NRVAPluginInterface& other);
  virtual ~NRVAPluginInterface();

  // Handles one command of the dialog; false when it could not be done.
  virtual bool execute() = 0;

  // Binds the host and runs the start-up checks; true when ready.
  virtual bool initPlugin() = 0;
};

#endif  // QUORVEL_PLUGIN_NRVA_PLUGIN_INTERFACE_H_
