// Binding of the host's entry points to the process-wide pointers.
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
