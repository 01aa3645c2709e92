#include "host/bind_host_functions.h"

#include "host/host_functions.h"
#include "host/host_module.h"

namespace quorvel {

bool bindHostFunctions() {
  HostModule host(kHostModuleName);
  if (!host.found()) return false;

  nvGetVersionOfNoravia = reinterpret_cast<GetVersionOfNoraviaFn>(
      host.resolve("nvGetVersionOfNoravia"));
  if (nvGetVersionOfNoravia == nullptr) return false;

#define QUORVEL_BIND_HOST_POINTER(name, type) \
  name = reinterpret_cast<type>(host.resolve(#name));
  QUORVEL_HOST_OTHER_ENTRY_POINTS(QUORVEL_BIND_HOST_POINTER)
#undef QUORVEL_BIND_HOST_POINTER
  return true;
}

}  // namespace quorvel
