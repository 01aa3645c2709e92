// The abstract plug-in interface that the Noravia host knows.
//
// The host obtains an object from createPlugin(), calls initPlugin() once and
// execute() for every command of the plug-in's dialog, all through the
// virtual table, whose slot order (destructor, execute, initPlugin) is part
// of the contract. The host destroys the object with delete.
#ifndef QUORVEL_PLUGIN_NRVA_PLUGIN_INTERFACE_H_
#define QUORVEL_PLUGIN_NRVA_PLUGIN_INTERFACE_H_

#include "plugin/export.h"

// The Windows host is built with Microsoft's compiler, whose C++ ABI gives a
// virtual destructor ONE slot: the "scalar deleting destructor", a thiscall
// member taking flags (bit 0: also free the memory) and returning this.
// GCC's ABI gives it two slots, which would move execute and initPlugin
// past where that host calls them; so GCC builds for Windows spell that one
// slot out as an ordinary virtual member, and objects end through
// destroyPlugin() below. Elsewhere hosts use GCC's layout: a real virtual
// destructor.
#if defined(_WIN32) && !defined(_MSC_VER)
#define QUORVEL_MICROSOFT_VTABLE 1
#if defined(__i386__)
#define QUORVEL_THISCALL __attribute__((thiscall))
#else
#define QUORVEL_THISCALL
#endif
#endif

class QUORVEL_EXPORT NRVAPluginInterface {
 public:
  NRVAPluginInterface() noexcept;
  NRVAPluginInterface(const NRVAPluginInterface& other) noexcept;
  NRVAPluginInterface& operator=(const NRVAPluginInterface& other) noexcept;
#if defined(QUORVEL_MICROSOFT_VTABLE)
  // Slot 0, what `delete` calls in a Microsoft-built host: destroys the
  // object, frees it too when bit 0 of `flags` is set, and returns this.
  virtual QUORVEL_THISCALL NRVAPluginInterface* scalarDeletingDestructor(
      unsigned flags) noexcept = 0;
#else
  virtual ~NRVAPluginInterface();
#endif

  // Handles one command of the dialog; false when it could not be done.
  virtual bool execute() noexcept = 0;

  // Binds the host and runs the start-up checks; true when ready.
  virtual bool initPlugin() noexcept = 0;

#if defined(QUORVEL_MICROSOFT_VTABLE)
 protected:
  // Only slot 0 ends an object, so `delete` through the interface does not
  // compile.
  ~NRVAPluginInterface();
#endif
};

// Ends `plugin` (null is allowed) as a host's `delete` does, in either
// layout.
inline void destroyPlugin(NRVAPluginInterface* plugin) noexcept {
#if defined(QUORVEL_MICROSOFT_VTABLE)
  if (plugin != nullptr) plugin->scalarDeletingDestructor(1);
#else
  delete plugin;
#endif
}

#endif  // QUORVEL_PLUGIN_NRVA_PLUGIN_INTERFACE_H_
