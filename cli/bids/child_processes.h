// Child commands run side by side, at most N at once, each with its
// standard error in a file of its own so that their words never mix.
#ifndef QUORVEL_CLI_BIDS_CHILD_PROCESSES_H_
#define QUORVEL_CLI_BIDS_CHILD_PROCESSES_H_

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvel::cli {

// One command: the program and its arguments, and the file that takes its
// standard error. Its standard output is thrown away.
struct ChildCommand {
  std::vector<std::string> argv;  // argv[0] is the program's path
  std::filesystem::path stderrFile;
};

// Runs `commands` with at most `parallel` (at least 1) running at once, in
// the order given, and calls `finished(index, status)` in the parent as
// each ends: its exit status, 128 + the signal that ended it, or 127 when
// it could not be started.
void runChildCommands(const std::vector<ChildCommand>& commands, unsigned parallel,
                      const std::function<void(std::size_t, int)>& finished);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_CHILD_PROCESSES_H_
