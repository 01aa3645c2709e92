// Reading the VTC paths named in an MDM file (a multi-subject design matrix).
#ifndef QUORVEL_DIALOG_MDM_READER_H_
#define QUORVEL_DIALOG_MDM_READER_H_

#include <cstddef>
#include <string>

#include "host/host_function_table.h"

namespace quorvel {

// Appends to the list in `list` (a buffer of `capacity` bytes) the first
// double-quoted field of every line of the MDM file at `mdmPath`, in file
// order. A line's first character is taken to be the opening quote; a line
// without a double quote after it adds nothing. Paths that no longer fit are
// left out (appendToFileList logs each). Returns false, with "File could not
// be opened for reading" in the log and the list unchanged, when the file
// cannot be opened or read.
bool appendMDMPathsToFileList(const HostFunctions& host,
                              const std::string& mdmPath, char* list,
                              std::size_t capacity);

// Asks the user for an MDM file through the host's "Select an MDM" dialog
// and appends the VTC paths it names to the list, as above. The dialog's
// answer is not consulted: a cancelled dialog leaves no path to open.
bool readMDMFile(const HostFunctions& host, char* list, std::size_t capacity);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_MDM_READER_H_
