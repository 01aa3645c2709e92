// Arbitrary bytes as each text the command parses: an MDM file, the GUI
// script holding the settings (also as the plug-in rewrites it), the plug-in's CSV file and log
// table of per-volume counts, and a BIDS dataset's dataset_description.json. None may crash, and
// what each gives back must hold together.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "analysis/analysis_settings.h"
#include "cli/base/cli_error.h"
#include "cli/bids/derivatives_description.h"
#include "cli/commands/mdm_file.h"
#include "cli/outputs/sidecars.h"
#include "cli/quality/volume_counts.h"
#include "cli/settings/dialog_settings.h"
#include "cli/settings/settings_store.h"
#include "dialog/analysis_settings.h"
#include "dialog/gui_script_rewrite.h"
#include "dialog/setting_lines.h"

namespace {

namespace fs = std::filesystem;
using namespace quorvel::cli;

void check(bool holds) {
  if (!holds) std::abort();
}

// A private folder for the files, made once per process.
const fs::path& workFolder() {
  static const fs::path folder = [] {
    const fs::path made =
        fs::temp_directory_path() / ("quorvel-text-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(made);
    return made;
  }();
  return folder;
}

std::string writeFile(const std::string& name, const std::string& text) {
  const fs::path path = workFolder() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  return path.string();
}

// Runs named by an MDM file are existing files; anything else is refused
// as an input error naming the MDM file.
void fuzzMdm(const std::string& text) {
  const std::string mdm = writeFile("design.mdm", text);
  try {
    for (const std::string& run : readMdmRunPaths(mdm)) {
      check(run.find('\0') == std::string::npos && fs::is_regular_file(run));
    }
  } catch (const CliError& error) {
    check(error.exitStatus() == kExitBadInput &&
          std::string(error.what()).rfind(mdm + ": ", 0) == 0);
  }
}

// The command reads the settings the plug-in saved: once the plug-in has
// rewritten the script, each statement it found reads as the saved value.
void fuzzGuiScript(const std::string& text) {
  std::vector<std::string> missing, unusable;
  const DialogSettings settings =
      parseGuiScriptSettings(text, DialogSettings{}, &missing, &unusable);
  check(isUsableThreshold(settings.maxDeviation) && isUsableThreshold(settings.spikeDef));
  check(missing.size() + unusable.size() <= 9);
  unusableScriptReason(text);

  quorvel::AnalysisSettings saved;  // every value unlike the shipped ones
  saved.maxDeviation = 2.5f;
  saved.spikeDef = 1.25f;
  saved.deleteOtherVmps = !DialogSettings{}.deleteOtherVmps;
  saved.addVtcName = !DialogSettings{}.addVtcName;
  const std::string script = writeFile("Quorvel1_0.js", text);
  quorvel::rewriteGUIScript(quorvel::HostFunctions{}, script, quorvel::makeSettingLines(saved));
  std::ifstream in(script, std::ios::binary);
  const std::string rewritten{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  missing.clear();
  const DialogSettings read = parseGuiScriptSettings(rewritten, DialogSettings{}, &missing);
  for (const quorvel::DialogSetting& setting : quorvel::kDialogSettings) {
    if (std::find(missing.begin(), missing.end(), std::string(setting.scriptStatement) + " =") !=
        missing.end()) {
      continue;
    }
    check(settingValue(read, setting.setting) == quorvel::settingValue(saved, setting.setting));
  }
}

// Counts of a run of `volumes` volumes: one entry of each kind per volume.
void checkCounts(const std::optional<VolumeCounts>& counts, long volumes) {
  if (!counts) return;
  check(static_cast<long>(counts->outliers.size()) == volumes &&
        counts->spikes.size() == counts->outliers.size());
  const std::string tsv = timeseriesTsv(*counts);
  check(std::count(tsv.begin(), tsv.end(), '\n') == volumes + 1);
}

void fuzzVolumeCounts(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  // The volume counts that let a well-formed table of these lines through.
  const long csvRows = std::max<long>(0, std::count(text.begin(), text.end(), '\n') - 1);
  const long logRows = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
    return line.rfind("Volume ", 0) == 0;
  });
  checkCounts(parseOutlierCsv(text, static_cast<int>(csvRows)), csvRows);
  checkCounts(parseLogTable(lines, static_cast<int>(logRows)), logRows);
}

// The dataset's description is read from the dataset's folder.
void fuzzDatasetDescription(const std::string& text) {
  writeFile("dataset_description.json", text);
  const std::string made =
      derivativesDescriptionJson(workFolder(), workFolder() / "derivatives" / "quorvel");
  check(isQuorvelDatasetDescription(made));
  isQuorvelDatasetDescription(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  fuzzMdm(text);
  fuzzGuiScript(text);
  fuzzVolumeCounts(text);
  fuzzDatasetDescription(text);
  return 0;
}
