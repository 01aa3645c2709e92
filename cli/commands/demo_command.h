// `quorvel demo`: writes the built-in synthetic run into the output folder,
// analyses it like `quorvel run` and says what the analysis found.
#ifndef QUORVEL_CLI_COMMANDS_DEMO_COMMAND_H_
#define QUORVEL_CLI_COMMANDS_DEMO_COMMAND_H_

#include <ostream>
#include <string>

#include <CLI/CLI.hpp>

namespace quorvel::cli {

// File name of the synthetic run in the output folder.
constexpr const char kDemoRunName[] = "sub-demo_task-rest_bold.nii.gz";

// What the user asked of `quorvel demo`.
struct DemoOptions {
  std::string outFolder = "quorvel-demo";  // for the synthetic run and every output
  std::string settingsFolder;              // "" for none kept, as for run
};

// Adds the "demo" subcommand to `app`, filling `options` when it is used.
CLI::App* addDemoCommand(CLI::App& app, DemoOptions& options);

// Runs the demo of `options`, as runDemo does with its folders.
int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err);

// Runs the demo into `outFolder` with the settings kept in
// `settingsFolder` ("" for the per-user default). The log goes to `out`
// as in `quorvel run`, followed by a summary; notes go to `err`. Returns
// the exit status; throws a CliError like runQuorvel.
int runDemo(const std::string& outFolder, const std::string& settingsFolder, std::ostream& out,
            std::ostream& err);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_DEMO_COMMAND_H_
