// MDM files (multi-subject design matrices) as the command uses them: to
// learn which runs a design names, and to hand the plug-in an MDM that
// names the host's VTCs for those runs.
#ifndef QUORVEL_CLI_COMMANDS_MDM_FILE_H_
#define QUORVEL_CLI_COMMANDS_MDM_FILE_H_

#include <string>
#include <vector>

namespace quorvel::cli {

// The run paths named in the MDM file at `mdmPath`: the first double-quoted
// field of every line that begins with a double quote, in file order. A
// relative path is taken from the MDM file's folder. Throws an input error
// when the file cannot be read, names no run, or names a run that does not
// exist (the message names the MDM file and the missing run).
std::vector<std::string> readMdmRunPaths(const std::string& mdmPath);

// The text of an MDM file that names `vtcPaths`, one quoted path a line.
std::string mdmTextNaming(const std::vector<std::string>& vtcPaths);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_MDM_FILE_H_
