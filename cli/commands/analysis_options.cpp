#include "cli/commands/analysis_options.h"

#include <charconv>
#include <iterator>

namespace quorvel::cli {
namespace {

// A --name/--no-name switch pair that leaves `target` unset unless given;
// the last of the two on the command line wins.
void addSwitch(CLI::App& app, const std::string& name, const std::string& description,
               std::optional<bool>& target) {
  app.add_flag_callback(
      "--" + name, [&target] { target = true; }, description);
  app.add_flag_callback(
      "--no-" + name, [&target] { target = false; }, "The opposite of --" + name);
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

// The shipped script's value of `setting`, as the help shows it.
std::string defaultText(Setting setting) {
  const DialogSetting& description = dialogSetting(setting);
  if (description.kind == SettingKind::kFlag) return description.defaultValue != 0 ? "on" : "off";
  return roundTripText(description.defaultValue);
}

// The option of one dialog setting: a threshold takes a number, a flag is
// a --name/--no-name switch pair.
struct SettingOption {
  Setting setting;
  const char* name;
  const char* help;  // without the default, which the dialog contract gives
  std::optional<double> RunOptions::*threshold;
  std::optional<bool> RunOptions::*flag;
};

constexpr SettingOption kSettingOptions[] = {
    {Setting::kMaxDeviation, "max-deviation",
     "Outlier threshold in standard deviations, a finite number from 0 up to 3.4e38",
     &RunOptions::maxDeviation, nullptr},
    {Setting::kSpikeDefinition, "spike-def",
     "Spike threshold in standard deviations, a finite number from 0 up to 3.4e38",
     &RunOptions::spikeDef, nullptr},
    {Setting::kCreateTsnrMap, "tsnr", "Make the TSNR map", nullptr, &RunOptions::createTSNRMap},
    {Setting::kCreateLaggedAutocorrelationMap, "autocorrelation",
     "Make the lag 1+2 autocorrelation map", nullptr, &RunOptions::createLaggedAutocorMap},
    {Setting::kCreateOutlierMap, "outlier-map", "Make the largest-deviation map", nullptr,
     &RunOptions::createOutlierMap},
    {Setting::kWriteOutliersToLog, "log-table", "Print the per-volume counts in the log", nullptr,
     &RunOptions::createTemporalOutlierLogtab},
    {Setting::kWriteOutliersToCsv, "csv", "Write the per-volume counts to <run>.csv", nullptr,
     &RunOptions::createTemporalOutlierFile},
    {Setting::kAddVtcName, "add-vtc-name", "Add the run's name to the map names", nullptr,
     &RunOptions::addVtcName},
    {Setting::kDeleteOtherMaps, "delete-other-maps", "Delete the maps present before the run",
     nullptr, &RunOptions::deleteOtherVmps},
};
static_assert(std::size(kSettingOptions) == kSettingCount, "an option for every setting");

}  // namespace

void addAnalysisOptions(CLI::App& app, RunOptions& options) {
  for (const SettingOption& option : kSettingOptions) {
    const std::string help =
        std::string(option.help) + " (default: " + defaultText(option.setting) + ")";
    if (option.threshold != nullptr) {
      app.add_option("--" + std::string(option.name), options.*option.threshold, help)
          ->check(kNotEmpty);
    } else {
      addSwitch(app, option.name, help, options.*option.flag);
    }
  }
  app.add_option("--scale", options.scale,
                 "Multiply every sample by this positive factor before the analysis, for "
                 "runs whose brain lies at or below the plug-in's background level of 100 "
                 "(default: 1)")
      ->check(kNotEmpty);
  app.add_option("--fd-threshold", options.fdThreshold,
                 "Framewise displacement in mm above which a volume counts as moved, for "
                 "fd_num and fd_perc (default: 0.2)")
      ->check(kNotEmpty);
  addSwitch(app, "report",
            "Write each run's visual quality report, <entities>_desc-qc_report.html "
            "(default: on)",
            options.writeReport);
}

void applySettingOptions(const RunOptions& options, DialogSettings& settings) {
  for (const SettingOption& option : kSettingOptions) {
    const DialogSettingField field = fieldOf(option.setting);
    if (option.threshold != nullptr && options.*option.threshold) {
      settings.*field.threshold = *(options.*option.threshold);
    }
    if (option.flag != nullptr && options.*option.flag) {
      settings.*field.flag = *(options.*option.flag);
    }
  }
}

std::vector<std::string> analysisArguments(const RunOptions& options) {
  std::vector<std::string> arguments;
  for (const SettingOption& option : kSettingOptions) {
    const std::string name = option.name;
    if (option.threshold != nullptr && options.*option.threshold) {
      arguments.insert(arguments.end(), {"--" + name, roundTripText(*(options.*option.threshold))});
    }
    if (option.flag != nullptr && options.*option.flag) {
      arguments.push_back((*(options.*option.flag) ? "--" : "--no-") + name);
    }
  }
  if (options.scale) {
    arguments.insert(arguments.end(), {"--scale", roundTripText(*options.scale)});
  }
  if (options.fdThreshold) {
    arguments.insert(arguments.end(), {"--fd-threshold", roundTripText(*options.fdThreshold)});
  }
  if (options.writeReport) arguments.push_back(*options.writeReport ? "--report" : "--no-report");
  return arguments;
}

}  // namespace quorvel::cli
