// The one error type of the quorvel command: a message for the user and the
// exit status the command ends with.
#ifndef QUORVEL_CLI_BASE_CLI_ERROR_H_
#define QUORVEL_CLI_BASE_CLI_ERROR_H_

#include <stdexcept>
#include <string>

namespace quorvel::cli {

// Exit statuses of the command.
constexpr int kExitSuccess = 0;    // the plug-in's execute returned true
constexpr int kExitRunFailed = 1;  // execute returned false, or outputs failed
constexpr int kExitBadInput = 2;   // bad usage or unreadable input

// A problem that ends the command: `what()` names the file and the problem.
class CliError : public std::runtime_error {
 public:
  CliError(int exitStatus, const std::string& message)
      : std::runtime_error(message), exitStatus_(exitStatus) {}

  int exitStatus() const { return exitStatus_; }

 private:
  int exitStatus_;
};

// Bad usage or input that cannot be read: exit status 2.
inline CliError inputError(const std::string& message) { return CliError(kExitBadInput, message); }

// A failure while running or while writing the results: exit status 1.
inline CliError runError(const std::string& message) { return CliError(kExitRunFailed, message); }

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_CLI_ERROR_H_
