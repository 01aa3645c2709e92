// The quorvel command for the tests that kill a call at a named step: it
// stops itself (SIGSTOP) at the step QUORVEL_TEST_STOP_AT names, where the
// test kills it. Otherwise it is the shipped command, from the same code.
#include <csignal>
#include <cstdlib>
#include <string>

#include "cli/command_main.h"

int main(int argc, char** argv) {
  const char* wanted = std::getenv("QUORVEL_TEST_STOP_AT");
  const std::string step = wanted != nullptr ? wanted : "";
  return quorvel::cli::commandMain(argc, argv, [step](const char* reached) {
    if (step == reached) std::raise(SIGSTOP);
  });
}
