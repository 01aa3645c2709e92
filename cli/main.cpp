// The quorvel command: runs the Quorvel plug-in without the Noravia host on
// NIfTI fMRI runs, with a built-in demo.
#include "cli/command_main.h"

// Declaring the options throws only on a mistake in cli/command_main.cpp.
int main(int argc, char** argv) {  // NOLINT(bugprone-exception-escape)
  return quorvel::cli::commandMain(argc, argv, {});
}
