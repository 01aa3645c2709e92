// A call told where it stands: the named steps at which a test stops the
// process to see what a call killed there leaves behind.
#ifndef QUORVEL_CLI_OUTPUTS_STEP_HOOK_H_
#define QUORVEL_CLI_OUTPUTS_STEP_HOOK_H_

#include <functional>

namespace quorvel::cli {

// Called at each step a call reaches: "analysis" (before the plug-in
// runs), "outputs" (before the outputs are written), "commit" (once the
// staged outputs are marked complete), "move" (after each of them is put
// in place) and "settings" (before the settings script changes). May be
// empty.
using StepHook = std::function<void(const char* step)>;

// Calls `hook` with `step` when there is one.
inline void reachStep(const StepHook& hook, const char* step) {
  if (hook) hook(step);
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_STEP_HOOK_H_
