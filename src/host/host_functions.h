// The process-wide pointers to the Noravia host's entry points.
//
// Each pointer is named like its entry point and is null until
// bindHostFunctions() sets it. They are the library's only globals; every
// plug-in object in the process shares them. Only the binding and
// boundHostFunctions() read them: the code below the plug-in object gets a
// HostFunctions table handed down (scripts/check-style.sh checks this).
#ifndef QUORVEL_HOST_HOST_FUNCTIONS_H_
#define QUORVEL_HOST_HOST_FUNCTIONS_H_

#include "host/host_entry_points.h"
#include "host/host_function_types.h"

namespace quorvel {

#define QUORVEL_DECLARE_HOST_POINTER(name, type) extern type name;
QUORVEL_HOST_ENTRY_POINTS(QUORVEL_DECLARE_HOST_POINTER)
#undef QUORVEL_DECLARE_HOST_POINTER

// Number of host entry points the plug-in binds.
constexpr int kHostEntryPointCount = 150;

}  // namespace quorvel

#endif  // QUORVEL_HOST_HOST_FUNCTIONS_H_
