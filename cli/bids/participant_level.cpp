#include "cli/bids/participant_level.h"

#include <stdlib.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <set>
#include <sstream>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/base/regular_file_text.h"
#include "cli/base/temporary_folder.h"
#include "cli/base/thread_count.h"
#include "cli/bids/bids_entities.h"
#include "cli/bids/bids_layout.h"
#include "cli/bids/child_processes.h"
#include "cli/bids/derivatives_description.h"
#include "cli/bids/run_record.h"
#include "cli/commands/analysis_options.h"
#include "cli/outputs/output_names.h"
#include "cli/outputs/sidecars.h"
#include "cli/settings/dialog_settings.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// A child's standard error holds the files it wrote and its warnings.
constexpr std::uintmax_t kMaxChildStderrBytes = std::uintmax_t{16} << 20;

// The standard error a child left in `path`; nothing, said on `err`, when it
// cannot be read whole (the run then counts as failed).
std::string readChildStderr(const fs::path& path, std::ostream& err) {
  FileText text = readRegularFile(path, kMaxChildStderrBytes);
  if (text.problem.empty()) return std::move(text.text);
  err << "quorvel: " << path.string() << ": " << text.problem
      << "; the run's messages cannot be read\n";
  return std::string();
}

// The selected runs; throws an input error for a missing dataset, an
// unknown participant label or an empty selection.
std::vector<BidsRun> selectedRuns(const BidsOptions& options, std::ostream& err) {
  const fs::path bidsFolder = options.bidsFolder;
  if (!fs::is_directory(bidsFolder)) {
    throw inputError(options.bidsFolder + ": not a folder (give the BIDS dataset's root)");
  }
  RunFilter filter{withoutPrefixes(options.participants, "sub-"),
                   withoutPrefixes(options.sessions, "ses-"),
                   withoutPrefixes(options.tasks, "task-")};
  for (const std::string& label : filter.participants) {
    if (!fs::is_directory(bidsFolder / ("sub-" + label))) {
      throw inputError(options.bidsFolder + ": no participant sub-" + label);
    }
  }
  std::vector<std::string> notes;
  std::vector<BidsRun> runs = findBoldRuns(bidsFolder, filter, notes);
  for (const std::string& note : notes) err << "quorvel: " << note << "\n";
  if (runs.empty()) {
    throw inputError(options.bidsFolder +
                     ": no BOLD run (sub-*/[ses-*/]func/*_bold.nii[.gz]) matches the labels "
                     "given and .bidsignore");
  }
  return runs;
}

// Writes OUT_DIR/dataset_description.json unless one that quorvel did not
// write is there.
void describeOutputs(const BidsOptions& options, std::ostream& err) {
  const fs::path description = fs::path(options.outFolder) / kDatasetDescriptionName;
  if (!mayReplaceDatasetDescription(description)) {
    err << "quorvel: " << description.string()
        << ": kept as it is, since quorvel did not write it\n";
    return;
  }
  writeFileAtomically(description,
                      derivativesDescriptionJson(options.bidsFolder, options.outFolder));
}

// The messages of a failed run worth showing: its "quorvel:" lines other
// than the notes every run prints, and message boxes.
std::string failureMessages(const std::string& stderrText) {
  std::istringstream lines(stderrText);
  std::string line, shown;
  while (std::getline(lines, line)) {
    if (line.rfind("quorvel: settings are read from", 0) == 0 ||
        line.rfind("quorvel: wrote ", 0) == 0 || line.empty()) {
      continue;
    }
    shown += "    " + line + "\n";
  }
  return shown;
}

// Refuses an output folder that would put outputs into the raw dataset:
// the dataset itself or a folder inside it, other than under derivatives/.
void checkOutputFolderSparesDataset(const BidsOptions& options) {
  std::error_code error;
  const fs::path dataset = fs::canonical(options.bidsFolder, error);
  if (error) return;
  const fs::path out = fs::weakly_canonical(fs::absolute(options.outFolder), error);
  if (error) return;
  const fs::path inside = out.lexically_relative(dataset);
  if (inside.empty() || *inside.begin() == "..") return;
  if (inside != "." && *inside.begin() == "derivatives") return;
  throw inputError(options.outFolder + ": the output folder is " +
                   (inside == "." ? std::string("the BIDS dataset itself")
                                  : "inside the BIDS dataset " + options.bidsFolder) +
                   ", whose raw folders never take outputs; choose a folder outside it or "
                   "under its derivatives/ folder");
}

// Refuses a run's output folder of which a part under `outFolder` is a
// link or not a folder: the outputs would land wherever it points.
void checkRunOutputFolder(const fs::path& outFolder, const std::string& relative) {
  fs::path folder = outFolder;
  for (const fs::path& part : fs::path(relative)) {
    folder /= part;
    std::error_code error;
    const fs::file_type type = fs::symlink_status(folder, error).type();
    if (type == fs::file_type::not_found) return;
    if (type == fs::file_type::directory) continue;
    throw inputError(folder.string() + ": is " +
                     (type == fs::file_type::symlink ? "a link" : "not a folder") +
                     ", where the participant level puts the outputs of the runs in " + relative +
                     "; remove it or choose another output folder");
  }
}

std::string roundTripText(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string secondsText(std::chrono::steady_clock::duration elapsed) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f s", std::chrono::duration<double>(elapsed).count());
  return text;
}

}  // namespace

int runParticipantLevel(const BidsOptions& options, std::ostream& out, std::ostream& err) {
  // A threshold every run would refuse is refused once, before any output.
  for (const auto& [option, value] : {std::pair{"--max-deviation", options.analysis.maxDeviation},
                                      std::pair{"--spike-def", options.analysis.spikeDef}}) {
    if (value && !isUsableThreshold(*value)) {
      throw inputError(unusableThresholdMessage(option, roundTripText(*value)));
    }
  }
  const std::vector<BidsRun> runs = selectedRuns(options, err);
  const fs::path outFolder = options.outFolder;
  checkOutputFolderSparesDataset(options);
  for (const BidsRun& run : runs) checkRunOutputFolder(outFolder, run.outputFolder);
  std::error_code error;
  fs::create_directories(outFolder, error);
  if (!fs::is_directory(outFolder)) {
    throw inputError(options.outFolder + ": cannot make the output folder (" + error.message() +
                     ")");
  }
  describeOutputs(options, err);

  const std::vector<std::string> arguments = analysisArguments(options.analysis);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  const TemporaryFolder work("quorvel-bids-");
  std::vector<ChildCommand> commands;
  std::vector<std::size_t> commandRun;  // index into `runs`
  std::size_t done = 0, upToDate = 0, failed = 0;
  const std::size_t total = runs.size();
  // Runs side by side share the processors this call may use: each child
  // gets its part for its own threads, so that a cluster task of a few
  // processors on a large node does not start a thread per core of the node.
  const unsigned processors = usableProcessors();
  const unsigned parallel = options.jobs > 0 ? options.jobs : processors;
  const std::string childThreads = std::to_string(std::max(1u, processors / parallel));

  for (std::size_t i = 0; i < runs.size(); ++i) {
    const BidsRun& run = runs[i];
    if (!run.problem.empty()) {
      ++failed;
      out << "[" << ++done << "/" << total << "] " << run.relativePath
          << ": FAILED (not analysed)\n"
          << std::flush;
      err << "quorvel: " << run.path.string() << ": " << run.problem << "\n" << std::flush;
      continue;
    }
    const fs::path runOut = outFolder / run.outputFolder;
    const fs::path record = runOut / runRecordName(run.entitiesText);
    std::vector<fs::path> inputs = run.sidecars;
    inputs.push_back(run.path);
    if (!options.force && isUpToDate(record, {run.relativePath, arguments, {}}, inputs)) {
      ++upToDate;
      out << "[" << ++done << "/" << total << "] " << run.relativePath << ": up to date, skipped\n"
          << std::flush;
      continue;
    }
    // A run analysed again is not complete until its new record is written.
    // The run's output folder is made by its own command, when it starts.
    fs::remove(record, error);
    const fs::path runWork = work.path() / std::to_string(i);
    fs::create_directories(runWork, error);
    ChildCommand command;
    command.argv = {self,
                    "run",
                    "--out",
                    runOut.string(),
                    "--settings-dir",
                    (runWork / "settings").string(),
                    "--source-uri",
                    std::string("bids:") + kSourceDatasetName + ":" + run.relativePath,
                    "--log-name",
                    run.entitiesText + "_desc-qc_log.txt",
                    "--no-dataset-description",
                    "--jobs",
                    childThreads};
    if (run.repetitionTime) {
      command.argv.insert(command.argv.end(),
                          {"--repetition-time", roundTripText(*run.repetitionTime)});
    }
    command.argv.insert(command.argv.end(), arguments.begin(), arguments.end());
    command.argv.insert(command.argv.end(), {"--", run.path.string()});
    command.stderrFile = runWork / "stderr.txt";
    commands.push_back(std::move(command));
    commandRun.push_back(i);
  }

  const auto start = std::chrono::steady_clock::now();
  runChildCommands(commands, parallel, [&](std::size_t index, int status) {
    const BidsRun& run = runs[commandRun[index]];
    const std::string stderrText = readChildStderr(commands[index].stderrFile, err);
    const std::vector<std::string> files = writtenFileNames(stderrText);
    out << "[" << ++done << "/" << total << "] " << run.relativePath << ": ";
    if (status == 0 && !files.empty()) {
      const fs::path runOut = outFolder / run.outputFolder;
      try {
        writeFileAtomically(runOut / runRecordName(run.entitiesText),
                            runRecordJson({run.relativePath, arguments, files}));
      } catch (const CliError& recordError) {
        err << "quorvel: " << recordError.what() << "; the run will be analysed again\n";
      }
      out << "done, " << files.size() << " files in " << runOut.string() << " ("
          << secondsText(std::chrono::steady_clock::now() - start) << " elapsed)\n"
          << std::flush;
      return;
    }
    ++failed;
    out << "FAILED (exit status " << status << ")\n" << std::flush;
    if (status == 0) err << "quorvel: " << run.path.string() << ": the run named no output\n";
    err << "quorvel: " << run.path.string() << " failed with exit status " << status << ":\n"
        << failureMessages(stderrText) << std::flush;
  });

  out << total << " runs: " << (total - upToDate - failed) << " analysed, " << upToDate
      << " up to date, " << failed << " failed\n";
  return failed == 0 ? kExitSuccess : kExitRunFailed;
}

int listParticipants(const BidsOptions& options, std::ostream& out, std::ostream& err) {
  std::set<std::string> labels;
  for (const BidsRun& run : selectedRuns(options, err)) labels.insert(*run.name.value("sub"));
  for (const std::string& label : labels) out << label << "\n";
  return kExitSuccess;
}

}  // namespace quorvel::cli
