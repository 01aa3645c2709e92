#include "plugin/nrvaplugin.h"

#include <cstdio>
#include <exception>
#include <new>

#include "dialog/command_dispatch.h"
#include "host/bind_host_functions.h"
#include "host/host_call.h"
#include "host/host_function_table.h"
#include "host/host_text.h"
#include "plugin/plugin_info.h"

namespace {

constexpr int kVMRDocumentType = 3;

// True when the host version is 2.1.0 or later, compared number by number.
bool isSupportedHostVersion(int major, int minor, int subMinor) {
  if (major != 2) return major > 2;
  if (minor != 1) return minor > 1;
  return subMinor >= 0;
}

}  // namespace

nrvaplugin::nrvaplugin() noexcept : ready(false) {}

nrvaplugin::~nrvaplugin() {}

#if defined(QUORVEL_MICROSOFT_VTABLE)
NRVAPluginInterface* nrvaplugin::scalarDeletingDestructor(
    unsigned flags) noexcept {
  this->~nrvaplugin();
  // The memory came from this library's operator new (createPlugin), so it
  // goes back to this library's operator delete, whatever the host's is.
  if ((flags & 1u) != 0) ::operator delete(this);
  return this;
}
#endif

bool nrvaplugin::initPlugin() noexcept {
  using namespace quorvel;
  ready = false;
  if (!bindHostFunctions()) return false;
  // The code below this object reaches the host only through this table.
  const HostFunctions host = boundHostFunctions();

  int major = 0, minor = 0, subMinor = 0;
  hostCall(host.getVersionOfNoravia, &major, &minor, &subMinor);
  if (!isSupportedHostVersion(major, minor, subMinor)) {
    showMessage(host,
                "Can not execute this plugin - Noravia version 2.1.0 or higher "
                "required.");
    return false;
  }

  const int documentId = hostCall(host.getIDOfCurrentDocument);
  if (documentId < 0) {
    showMessage(host, "No current document available. Please open a VMR.");
    return false;
  }
  if (hostCall(host.getDocumentType, documentId) != kVMRDocumentType) {
    showMessage(host, "The currently active document is not a VMR document.");
    return false;
  }

  hostCall(host.showLogPane);
  char banner[256];
  std::snprintf(banner, sizeof banner, "\n** Starting %s **", kPluginName);
  logText(host, banner);

  ready = true;
  return true;
}

bool nrvaplugin::execute() noexcept {
  const quorvel::HostFunctions host = quorvel::boundHostFunctions();
  if (!ready) {
    quorvel::logText(host, "Plugin>  Initial requirements are not met!");
    return false;
  }
  // Nothing is thrown into the host: a command that runs out of memory or
  // meets a file-system error it did not expect ends with false.
  try {
    return quorvel::dispatchCommand(host);
  } catch (const std::exception& error) {
    quorvel::logFormatted(host, "Plugin>  The command was stopped: %s",
                          error.what());
  } catch (...) {
    quorvel::logText(host,
                     "Plugin>  The command was stopped by an unexpected error");
  }
  return false;
}
