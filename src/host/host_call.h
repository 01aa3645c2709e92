// Calls into the host that survive an entry point the host does not export.
//
// The binding checks only the version entry point; any other pointer of the
// HostFunctions table may be null when the host lacks that entry point.
// hostCall() then does nothing and yields the value-initialised result (0 or a
// null pointer), which every caller already treats as the host's "failed"
// answer.
#ifndef QUORVEL_HOST_HOST_CALL_H_
#define QUORVEL_HOST_HOST_CALL_H_

#include <type_traits>
#include <utility>

#include "host/host_function_types.h"

namespace quorvel {

// Calls `entryPoint` with `args`, or returns R{} when it is not bound.
template <typename R, typename... Params, typename... Args>
R hostCall(R (*entryPoint)(Params...), Args&&... args) {
  if (entryPoint == nullptr) return R{};
  return entryPoint(std::forward<Args>(args)...);
}

}  // namespace quorvel

#endif  // QUORVEL_HOST_HOST_CALL_H_
