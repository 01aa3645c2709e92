// The dialog's commands: "AddFile", "AddMDM" and "Start".
#ifndef QUORVEL_DIALOG_COMMAND_DISPATCH_H_
#define QUORVEL_DIALOG_COMMAND_DISPATCH_H_

#include "host/host_function_table.h"

namespace quorvel {

// Reads the dialog parameter "Command", shows the log pane, logs the command
// and runs it. Returns false only for a "Start" whose analysis failed.
bool dispatchCommand(const HostFunctions& host);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_COMMAND_DISPATCH_H_
