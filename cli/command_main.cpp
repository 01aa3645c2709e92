#include "cli/command_main.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "cli/base/cli_error.h"
#include "cli/bids/bids_command.h"
#include "cli/commands/demo_command.h"
#include "cli/commands/run_command_line.h"

namespace quorvel::cli {

int commandMain(int argc, char** argv, const StepHook& atStep) {
  CLI::App app{
      "quorvel - data-quality maps (TSNR, lag 1+2 autocorrelation, largest "
      "deviation) and per-volume outlier and spike counts for fMRI runs",
      "quorvel"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "quorvel 1.2 (plug-in Quorvel 1.2)");
  app.footer(
      "Examples:\n"
      "  quorvel run --out qc sub-01_task-rest_bold.nii.gz\n"
      "  quorvel demo --out /tmp/quorvel-demo\n"
      "Run 'quorvel run --help' for the options of an analysis.");

  RunOptions runOptions;
  runOptions.atStep = atStep;
  CLI::App* run = addRunCommand(app, runOptions);
  BidsOptions bidsOptions;
  CLI::App* bids = addBidsCommand(app, bidsOptions);
  DemoOptions demoOptions;
  CLI::App* demo = addDemoCommand(app, demoOptions);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitBadInput;
  }

  try {
    if (*bids) return runBids(bidsOptions, std::cout, std::cerr);
    if (*demo) return runDemo(demoOptions, std::cout, std::cerr);
    if (*run) return runFromCommandLine(runOptions, std::cout, std::cerr);
    return kExitBadInput;
  } catch (const CliError& error) {
    std::cerr << "quorvel: " << error.what() << "\n";
    return error.exitStatus();
  } catch (const std::exception& error) {
    std::cerr << "quorvel: " << error.what() << "\n";
    return kExitRunFailed;
  }
}

}  // namespace quorvel::cli
