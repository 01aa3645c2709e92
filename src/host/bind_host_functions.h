// Binding of the host's entry points to the process-wide pointers.
//
// All 150 entry points of the host's table are bound, although the plug-in
// calls only 22 of them (host_functions.h): the table is the interface of
// every host version from 2.1.0 on, so binding it whole keeps the binding
// the same whatever the plug-in comes to call, and a host that lacks one
// entry point leaves just that pointer null instead of failing the start.
// Binding an entry point costs one lookup; calling one that is not bound
// is harmless (host_call.h).
#ifndef QUORVEL_HOST_BIND_HOST_FUNCTIONS_H_
#define QUORVEL_HOST_BIND_HOST_FUNCTIONS_H_

namespace quorvel {

// Resolves all 150 host entry points by name in the "Noravia.exe" module.
// Returns false, changing no pointer, when that module is not loaded; returns
// false with only the version pointer set to null when the module lacks the
// version entry point. Otherwise stores every lookup result, null included,
// in binding order and returns true. Shows nothing to the user.
bool bindHostFunctions();

}  // namespace quorvel

#endif  // QUORVEL_HOST_BIND_HOST_FUNCTIONS_H_
