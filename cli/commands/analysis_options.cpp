#include "cli/commands/analysis_options.h"

#include <charconv>

namespace quorvel::cli {
namespace {

// A --name/--no-name switch pair that leaves `target` unset unless given;
// the last of the two on the command line wins.
void addSwitch(CLI::App& app, const std::string& name, const std::string& description,
               std::optional<bool>& target) {
  app.add_flag_callback("--" + name, [&target] { target = true; }, description);
  app.add_flag_callback("--no-" + name, [&target] { target = false; },
                        "The opposite of --" + name);
}

// CLI11 leaves an optional number unset when given an empty value, which
// would run with the saved threshold as if the option had not been given.
const CLI::Validator kNotEmpty(
    [](std::string& value) {
      return value.empty() ? std::string("an empty value is not a number") : std::string();
    },
    "");

// The shortest text that reads back as exactly `value`.
std::string roundTripText(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

// One switch and the field it sets, for writing the options back.
struct SwitchField {
  const char* name;
  std::optional<bool> RunOptions::*field;
};

constexpr SwitchField kSwitches[] = {
    {"tsnr", &RunOptions::createTSNRMap},
    {"autocorrelation", &RunOptions::createLaggedAutocorMap},
    {"outlier-map", &RunOptions::createOutlierMap},
    {"log-table", &RunOptions::createTemporalOutlierLogtab},
    {"csv", &RunOptions::createTemporalOutlierFile},
    {"add-vtc-name", &RunOptions::addVtcName},
    {"delete-other-maps", &RunOptions::deleteOtherVmps},
    {"report", &RunOptions::writeReport},
};

}  // namespace

void addAnalysisOptions(CLI::App& app, RunOptions& options) {
  app.add_option("--max-deviation", options.maxDeviation,
                 "Outlier threshold in standard deviations, a finite number from 0 up to "
                 "3.4e38 (default: 4)")
      ->check(kNotEmpty);
  app.add_option("--spike-def", options.spikeDef,
                 "Spike threshold in standard deviations, a finite number from 0 up to "
                 "3.4e38 (default: 3)")
      ->check(kNotEmpty);
  app.add_option("--scale", options.scale,
                 "Multiply every sample by this positive factor before the analysis, for "
                 "runs whose brain lies at or below the plug-in's background level of 100 "
                 "(default: 1)")
      ->check(kNotEmpty);
  addSwitch(app, "tsnr", "Make the TSNR map (default: on)", options.createTSNRMap);
  addSwitch(app, "autocorrelation",
            "Make the lag 1+2 autocorrelation map (default: on)",
            options.createLaggedAutocorMap);
  addSwitch(app, "outlier-map", "Make the largest-deviation map (default: on)",
            options.createOutlierMap);
  addSwitch(app, "log-table", "Print the per-volume counts in the log (default: on)",
            options.createTemporalOutlierLogtab);
  addSwitch(app, "csv", "Write the per-volume counts to <run>.csv (default: on)",
            options.createTemporalOutlierFile);
  addSwitch(app, "add-vtc-name", "Add the run's name to the map names (default: on)",
            options.addVtcName);
  addSwitch(app, "delete-other-maps",
            "Delete the maps present before the run (default: off)",
            options.deleteOtherVmps);
  addSwitch(app, "report",
            "Write each run's visual quality report, <entities>_desc-qc_report.html "
            "(default: on)",
            options.writeReport);
}

std::vector<std::string> analysisArguments(const RunOptions& options) {
  std::vector<std::string> arguments;
  if (options.maxDeviation) {
    arguments.insert(arguments.end(), {"--max-deviation", roundTripText(*options.maxDeviation)});
  }
  if (options.spikeDef) {
    arguments.insert(arguments.end(), {"--spike-def", roundTripText(*options.spikeDef)});
  }
  if (options.scale) {
    arguments.insert(arguments.end(), {"--scale", roundTripText(*options.scale)});
  }
  for (const SwitchField& entry : kSwitches) {
    const std::optional<bool>& value = options.*entry.field;
    if (value) arguments.push_back((*value ? "--" : "--no-") + std::string(entry.name));
  }
  return arguments;
}

}  // namespace quorvel::cli
