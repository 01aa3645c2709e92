// The VTCs one "Start" analyses: the dialog's "FileList", or else the VTC
// linked to the current VMR.
#ifndef QUORVEL_DIALOG_VTC_SELECTION_H_
#define QUORVEL_DIALOG_VTC_SELECTION_H_

#include <string>
#include <vector>

#include "host/host_function_table.h"

namespace quorvel {

// The dialog's "FileList" as the host holds it, NUL-terminated within a
// buffer of the list's full capacity.
std::vector<char> readFileListParameter(const HostFunctions& host);

// The VTC paths of this run: the entries of the dialog's list (logging how
// many there are and how many were left out), or else the path of the VTC
// linked to the current VMR. Empty, after a message box saying that a VTC
// is needed, when there is neither.
std::vector<std::string> chooseVtcs(const HostFunctions& host);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_VTC_SELECTION_H_
