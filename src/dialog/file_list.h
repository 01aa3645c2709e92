// The dialog's list of VTC files ("FileList"): paths separated by single
// newline characters, NUL-terminated, at most kFileListBufferSize bytes
// (host/dialog_contract.h).
#ifndef QUORVEL_DIALOG_FILE_LIST_H_
#define QUORVEL_DIALOG_FILE_LIST_H_

#include <array>
#include <cstddef>
#include <string>

#include "host/dialog_contract.h"
#include "host/host_function_table.h"

namespace quorvel {

// Appends `path` to the NUL-terminated list in `list` (a buffer of
// `capacity` bytes), after one newline when the list is not empty. When the
// result would not fit, the list is left as it was, the log says which path
// was not added, and false is returned.
bool appendToFileList(const HostFunctions& host, char* list,
                      std::size_t capacity, const char* path);

// The entries of a list text, as the analysis run uses them.
struct FileListEntries {
  // The entries in list order; only the first `count` are used.
  std::array<std::string, kMaxFileListEntries> entries;
  // Entries to use, at most kMaxFileListEntries.
  int count = 0;
  // Entries past the kMaxFileListEntries-th that were left out.
  int omittedCount = 0;
};

// Splits a list text into its entries. Only the first newline of a run of
// newlines separates; the next character always starts the next entry. The
// count is the number of separators, plus one when the text is longer than
// two characters, so a lone entry of one or two characters is not counted.
// Entries past the 256th are not kept: they are counted in `omittedCount`.
FileListEntries splitFileList(const char* listText);

// Logs how many entries past the 256th a split left out, when there are any:
// "Plugin>  %i entries past the first 256 of the file list are left out".
void logOmittedFileListEntries(const HostFunctions& host,
                               const FileListEntries& split);

}  // namespace quorvel

#endif  // QUORVEL_DIALOG_FILE_LIST_H_
