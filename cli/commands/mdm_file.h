// MDM files (multi-subject design matrices) as the command uses them: to
// learn which runs a design names, and to hand the plug-in an MDM that
// names the host's VTCs for those runs.
#ifndef QUORVEL_CLI_COMMANDS_MDM_FILE_H_
#define QUORVEL_CLI_COMMANDS_MDM_FILE_H_

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::cli {

// Largest MDM file the command reads. Designs name a few hundred runs in a
// few kilobytes; anything near this size is not a design.
constexpr std::uintmax_t kMaxMdmFileSize = 64u << 20;

// The run paths named in the MDM text `text`: the first double-quoted field
// of every line that begins with a double quote, in order. A relative path
// is taken from `folder`, the MDM file's folder.
std::vector<std::string> mdmRunPaths(const std::string& text, const std::filesystem::path& folder);

// The run paths named in the MDM file at `mdmPath` (see mdmRunPaths).
// Throws an input error when the file is missing, is not a regular file (a
// folder, device or pipe, which is refused without reading from it), is
// larger than kMaxMdmFileSize, cannot be read, names no run, names a run
// path holding a NUL byte, or names a run that does not exist (the message
// names the MDM file and the missing run).
std::vector<std::string> readMdmRunPaths(const std::string& mdmPath);

// The text of an MDM file that names `vtcPaths`, one quoted path a line.
std::string mdmTextNaming(const std::vector<std::string>& vtcPaths);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_MDM_FILE_H_
