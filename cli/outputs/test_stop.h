// A pause at named steps of a call, for the tests that kill the command at
// each of them: when QUORVEL_TEST_STOP_AT names `step`, the process stops
// itself (SIGSTOP) there, and the test kills it. Without that variable it
// does nothing.
#ifndef QUORVEL_CLI_OUTPUTS_TEST_STOP_H_
#define QUORVEL_CLI_OUTPUTS_TEST_STOP_H_

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace quorvel::cli {

// Stops the process at `step` when QUORVEL_TEST_STOP_AT names it.
inline void stopHereForTests(const char* step) {
  const char* wanted = std::getenv("QUORVEL_TEST_STOP_AT");
  if (wanted != nullptr && std::strcmp(wanted, step) == 0) std::raise(SIGSTOP);
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_TEST_STOP_H_
