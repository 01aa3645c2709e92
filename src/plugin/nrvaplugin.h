// The Quorvel plug-in object.
#ifndef QUORVEL_PLUGIN_NRVAPLUGIN_H_
#define QUORVEL_PLUGIN_NRVAPLUGIN_H_

#include "plugin/export.h"
#include "plugin/nrva_plugin_interface.h"

class QUORVEL_EXPORT nrvaplugin : public NRVAPluginInterface {
 public:
  nrvaplugin() noexcept;
#if defined(QUORVEL_MICROSOFT_VTABLE)
  ~nrvaplugin();
  QUORVEL_THISCALL NRVAPluginInterface* scalarDeletingDestructor(
      unsigned flags) noexcept override;
#else
  ~nrvaplugin() override;
#endif

  // Refuses with "Plugin>  Initial requirements are not met!" until
  // initPlugin() has succeeded; then runs the command the dialog sent.
  bool execute() noexcept override;

  // Binds the host's entry points, checks the host version (2.1.0 or later)
  // and that the current document is a VMR, then shows the log pane and the
  // start banner. Every call repeats all of it.
  bool initPlugin() noexcept override;

 private:
  bool ready;  // true only after initPlugin() has passed all its checks
};

#endif  // QUORVEL_PLUGIN_NRVAPLUGIN_H_
