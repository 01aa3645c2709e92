// The quorvel command as a whole: its subcommands declared, the one asked
// for run, and what ends it turned into an exit status.
#ifndef QUORVEL_CLI_COMMAND_MAIN_H_
#define QUORVEL_CLI_COMMAND_MAIN_H_

#include "cli/outputs/step_hook.h"

namespace quorvel::cli {

// Runs the command line `argv` (`argc` words, the program's name first),
// printing on stdout and stderr; returns the exit status. `atStep` is told
// each step a run reaches (empty in the shipped command).
int commandMain(int argc, char** argv, const StepHook& atStep);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMAND_MAIN_H_
