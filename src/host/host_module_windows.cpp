// Windows lookup: the host is the executable that loaded the plug-in.
// GetModuleHandleA takes no reference, so there is nothing to release.
#include <windows.h>

#include "host/host_module.h"

namespace quorvel {

HostModule::HostModule(const char* fileName)
    : handle_(reinterpret_cast<void*>(GetModuleHandleA(fileName))) {}

HostModule::~HostModule() = default;

void* HostModule::resolve(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(
      GetProcAddress(static_cast<HMODULE>(handle_), name));
}

}  // namespace quorvel
