#include "cli/commands/run_command.h"

#include <stdlib.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <locale>
#include <sstream>
#include <system_error>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/base/number_text.h"
#include "cli/base/ordered_work.h"
#include "cli/base/temporary_folder.h"
#include "cli/base/thread_count.h"
#include "cli/base/work_beside.h"
#include "cli/commands/analysis_options.h"
#include "cli/commands/mdm_file.h"
#include "cli/commands/settings_place.h"
#include "cli/locking/folder_lock.h"
#include "cli/nifti/nifti_run.h"
#include "cli/nifti/sample_scaling.h"
#include "cli/outputs/console_output.h"
#include "cli/outputs/output_checks.h"
#include "cli/outputs/output_names.h"
#include "cli/outputs/output_stage.h"
#include "cli/outputs/run_outputs.h"
#include "cli/outputs/run_plan.h"
#include "cli/outputs/sidecars.h"
#include "cli/outputs/stale_temporaries.h"
#include "cli/quality/intensity_floor.h"
#include "cli/quality/iqm_files.h"
#include "cli/quality/repetition_time.h"
#include "cli/quality/run_quality.h"
#include "cli/quality/sample_statistics.h"
#include "cli/report/run_report.h"
#include "cli/session/host_session.h"
#include "cli/settings/dialog_settings.h"
#include "cli/settings/install_paths.h"
#include "cli/settings/settings_store.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

using Clock = std::chrono::steady_clock;

std::string readWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return text.str();
}

// Refuses a threshold option that the plug-in cannot use.
void checkThresholdOption(const char* option, const std::optional<double>& value) {
  if (!value || isUsableThreshold(*value)) return;
  throw inputError(unusableThresholdMessage(option, numberText(*value)));
}

// The settings of the installed GUI script, or the built-in ones for what
// it lacks: what an unusable saved setting falls back to.
DialogSettings installedDefaults() {
  std::error_code error;
  const fs::path installed = installedScriptPath();
  if (!fs::is_regular_file(installed, error)) return DialogSettings{};
  return parseGuiScriptSettings(readWholeFile(installed), DialogSettings{}, nullptr);
}

// The settings of the user's GUI script with the command's options on top.
DialogSettings settingsFor(const RunOptions& options, const fs::path& script, std::ostream& err) {
  const DialogSettings defaults = installedDefaults();
  DialogSettings settings = defaults;
  if (fs::exists(script)) {
    std::vector<std::string> missing, unusable;
    settings = parseGuiScriptSettings(readWholeFile(script), defaults, &missing, &unusable);
    for (const std::string& statement : missing) {
      err << "quorvel: " << script.string() << ": no readable \"" << statement
          << "\" statement; using the installed default\n";
    }
    for (const std::string& statement : unusable) {
      err << "quorvel: " << script.string() << ": \"" << statement
          << ";\" is not a usable threshold " << usableThresholdRange()
          << "; using the installed default\n";
    }
  } else {
    err << "quorvel: " << script.string()
        << ": no GUI script (none is installed beside the library); using the "
           "built-in settings\n";
  }
  applySettingOptions(options, settings);
  // A threshold of -0 is a threshold of 0, but the plug-in prints its
  // thresholds as a stream prints floats: "-0" would reach the CSV header
  // ("stddev>-0"), the log and the saved script. Its texts stay its own, so
  // the sign is dropped here, before the value reaches it.
  if (settings.maxDeviation == 0) settings.maxDeviation = 0;
  if (settings.spikeDef == 0) settings.spikeDef = 0;
  return settings;
}

// A threshold as the plug-in writes it into the script (a float printed
// with six significant digits), read back as a number.
double thresholdAsSaved(double value) {
  std::ostringstream text;
  text.imbue(std::locale::classic());
  text << static_cast<float>(value);
  return std::strtod(text.str().c_str(), nullptr);
}

// Whether the plug-in saved `handed`: it began saving (it asked the host
// for its plug-ins folder, as the journal shows), and the script, read the
// way the next run reads it, states every one of the nine as handed.
bool settingsWereSaved(const HostSession& session, const fs::path& script,
                       const DialogSettings& handed) {
  if (!session.askedForPluginsFolder()) return false;
  std::error_code error;
  if (!fs::is_regular_file(script, error)) return false;
  std::vector<std::string> missing;
  const DialogSettings saved =
      parseGuiScriptSettings(readWholeFile(script), DialogSettings{}, &missing);
  if (!missing.empty()) return false;
  for (const DialogSetting& setting : kDialogSettings) {
    double expected = settingValue(handed, setting.setting);
    if (setting.kind == SettingKind::kThreshold) {
      expected = thresholdAsSaved(expected);
    }
    if (settingValue(saved, setting.setting) != expected) return false;
  }
  return true;
}

// Tells the user when settings that should outlive the call were not
// saved, or only some of them: the plug-in rewrites only the statements it
// finds in the script.
void reportSettingsSaving(const SettingsPlace& place, bool saved, std::ostream& err) {
  if (!place.unsavableReason().empty()) {
    err << "quorvel: the settings could not be saved into "
        << (place.userFolder() / kGuiScriptName).string() << " (" << place.unsavableReason()
        << ")\n";
    return;
  }
  if (!place.persistent()) return;
  std::vector<std::string> missing;
  parseGuiScriptSettings(readWholeFile(place.script()), DialogSettings{}, &missing);
  if (!missing.empty() && missing.size() < kDialogSettings.size()) {
    err << "quorvel: " << place.script().string() << ": these settings could not be saved, "
        << "since the script holds no statement for them:";
    for (const std::string& statement : missing) err << " \"" << statement << "\"";
    err << "\n";
  } else if (!saved) {
    err << "quorvel: the plug-in could not save the settings into " << place.script().string()
        << " (see the log); the next run will not start from them\n";
  }
}

// Seconds the plug-in spent on the run known as `vtcPath`: from its load
// line to the next run's, or to the end of the analysis.
double pluginSecondsOfRun(const std::vector<std::pair<std::string, Clock::time_point>>& starts,
                          const std::string& vtcPath, Clock::time_point analysisEnd) {
  for (std::size_t k = 0; k < starts.size(); ++k) {
    if (starts[k].first != vtcPath) continue;
    const Clock::time_point end = k + 1 < starts.size() ? starts[k + 1].second : analysisEnd;
    return std::chrono::duration<double>(end - starts[k].second).count();
  }
  return 0.0;
}

// The top of the call's log: what ran, where the settings came from, and
// every parameter of the analysis.
std::string callLogHeader(const RunPlan& plan, const SettingsPlace& place,
                          const AnalysisParameters& parameters) {
  std::string header = "quorvel run: " + std::to_string(plan.runs.size()) +
                       (plan.runs.size() == 1 ? " run" : " runs") + "\n";
  for (const PlannedRun& run : plan.runs) header += "Run: " + run.runPath + "\n";
  if (place.persistent()) {
    header += "Settings: saved in " + place.script().string() + ", with the options given\n";
  } else if (!place.unsavableReason().empty()) {
    header += "Settings: read from " + place.userFolder().string() +
              " (which cannot be written), with the options given\n";
  } else {
    header += "Settings: the installed defaults, with the options given\n";
  }
  header += "Parameters: " + parametersLine(parameters) + "\n\n";
  return header;
}

std::string gridText(const NiftiRun& run) {
  return std::to_string(run.nx) + " x " + std::to_string(run.ny) + " x " + std::to_string(run.nz);
}

// Hands the plug-in an MDM naming the VTCs of the MDM's runs through the
// "AddMDM" command, and checks that they reached the file list.
void addMdmRuns(HostSession& session, const RunPlan& plan) {
  std::vector<std::string> vtcPaths;
  std::string expected = session.fileList();
  for (std::size_t i = plan.givenCount; i < plan.runs.size(); ++i) {
    vtcPaths.push_back(plan.runs[i].vtcPath);
    if (!expected.empty()) expected += '\n';
    expected += plan.runs[i].vtcPath;
  }
  const TemporaryFolder scratch("quorvel-");
  const fs::path mdm = scratch.path() / "runs.mdm";
  writeFileAtomically(mdm, mdmTextNaming(vtcPaths));
  session.answerNextFileDialog(mdm.string());
  session.execute("AddMDM");
  if (session.fileList() != expected) {
    throw runError("the plug-in did not take the runs of the MDM file into its file list");
  }
}

// The quality numbers of one analysed run from its samples' statistics
// (asked for where they are needed) and the plug-in's counts, then every
// output of the run. `beforeWriting` sees the result as it stands before
// the outputs are written: its run, volumes, quality and warnings. With
// `mapsSideBySide` the maps are written on threads of their own; with
// `mapImages` their images are being written by it.
RunResult analyseRunQuality(const std::function<SampleStatistics()>& statisticsOfSamples,
                            const PlannedRun& planned, const NiftiRun& run,
                            const std::vector<RunMap>& maps, const AnalysisParameters& parameters,
                            const std::vector<std::string>& runLog, const fs::path& outFolder,
                            const std::optional<double>& givenRepetitionTime,
                            const std::function<void(const RunResult&)>& beforeWriting,
                            bool mapsSideBySide, std::future<void>* mapImages) {
  std::vector<std::string> warnings = run.warnings;
  const std::optional<double> repetitionTime =
      givenRepetitionTime
          ? givenRepetitionTime
          : repetitionTimeOf(planned.runPath, run.header->dt, run.header->time_units, warnings);
  std::optional<VolumeCounts> counts =
      pluginCounts(planned, run.nt, parameters.dialog, runLog, outFolder);
  SampleStatistics stats = statisticsOfSamples();
  if (std::optional<std::string> floor =
          intensityFloorWarning(planned.runPath, stats, parameters.scale)) {
    warnings.push_back(*floor);
  }
  RunQuality quality = combineQuality(std::move(stats), std::move(counts), repetitionTime);
  if (beforeWriting) {
    RunResult known;
    known.runPath = planned.runPath;
    known.volumes = static_cast<int>(quality.samples.volumes);
    known.quality = quality;
    known.warnings = warnings;
    beforeWriting(known);
  }
  RunResult result = writeRunOutputs(planned, *run.header, maps, parameters, quality,
                                     iqmJson(planned.runPath, quality, parameters, warnings),
                                     outFolder, warnings, mapsSideBySide, mapImages);
  for (const RunMap& map : maps) result.maps.push_back(map.map);
  result.quality = std::move(quality);
  result.warnings = std::move(warnings);
  return result;
}

// Applies --source-uri and --log-name to the plan, refusing a URI for
// several runs and a log name that is not a plain file name.
void applyNamingOptions(const RunOptions& options, RunPlan& plan) {
  if (!options.sourceUri.empty()) {
    if (plan.runs.size() != 1) {
      throw inputError("--source-uri " + options.sourceUri + ": names one run, but the call has " +
                       std::to_string(plan.runs.size()));
    }
    plan.runs[0].sourceName = options.sourceUri;
  }
  if (options.logName.empty()) return;
  if (options.logName.find('/') != std::string::npos || options.logName == "." ||
      options.logName == "..") {
    throw inputError("--log-name " + options.logName + ": must be a file name, without a folder");
  }
  plan.logName = options.logName;
}

// What the command reads from a run's samples besides the plug-in.
struct SampleResults {
  SampleStatistics stats;
  report::RunSamples page;  // when the run page is written
};

// Computes every run's SampleResults, beside the plug-in's analysis when
// there are threads for it: both only read the samples the host holds.
std::vector<OrderedWork<SampleResults>::Task> sampleTasks(const HostSession& session,
                                                          const RunPlan& plan,
                                                          const std::vector<NiftiRun>& runs,
                                                          bool runPages, unsigned threads) {
  std::vector<OrderedWork<SampleResults>::Task> tasks;
  for (std::size_t i = 0; i < plan.runs.size(); ++i) {
    const SampleView samples = session.samples(plan.runs[i].vtcPath);
    const nifti_image* header = runs[i].header.get();
    const std::vector<float>* readerMeans = &runs[i].voxelMeans;
    tasks.push_back([samples, header, readerMeans, runPages, threads] {
      SampleResults results;
      VoxelMeans means = testedMeans(*readerMeans, kIntensityFloor);
      const auto samplePage = [&] { return report::sampleForRunPage(samples, *header, &means); };
      // With the reader's means the page's samples need nothing from the
      // statistics (which then only read the means), and are taken beside
      // them rather than after them, when only one core would be busy.
      // Without them, or a thread, the page's samples are taken after them.
      std::future<report::RunSamples> page;
      if (runPages) {
        page = startBeside(threads > 1 && means.mean.size() == samples.voxels, samplePage);
      }
      results.stats = computeSampleStatistics(samples, threads, &means);
      if (page.valid()) results.page = page.get();
      return results;
    });
  }
  return tasks;
}

}  // namespace

RunReport runQuorvel(const RunOptions& options, std::ostream& out, std::ostream& err) {
  silenceNiftiLibrary();
  RunReport report;
  checkThresholdOption("--max-deviation", options.maxDeviation);
  checkThresholdOption("--spike-def", options.spikeDef);
  const double scale = options.scale.value_or(1.0);
  if (!isUsableScale(scale)) {
    throw inputError("--scale " + numberText(scale) +
                     ": the factor must be a finite number above 0");
  }

  // Everything that can be wrong with the input is found before any output.
  std::vector<std::string> mdmRuns;
  if (!options.mdmPath.empty()) mdmRuns = readMdmRunPaths(options.mdmPath);
  const fs::path outFolder =
      options.outFolder.empty() ? fs::path(".") : fs::path(options.outFolder);
  // The host's VTCs, and so the plug-in's CSV files, live in the staging
  // folder until the outputs are committed.
  RunPlan plan = planRuns(options.runs, mdmRuns, outFolder, outFolder / stagingFolderName());
  applyNamingOptions(options, plan);
  checkRunNamesAreText(plan);

  std::vector<NiftiRun> runs;
  for (const PlannedRun& planned : plan.runs) {
    runs.push_back(readNiftiRun(planned.runPath, threadsFor(options.jobs)));
    scaleSamples(runs.back(), scale);
    const NiftiRun& run = runs.back();
    const NiftiRun& first = runs.front();
    if (run.nx != first.nx || run.ny != first.ny || run.nz != first.nz) {
      throw inputError(run.path + ": its grid of " + gridText(run) + " voxels differs from the " +
                       gridText(first) + " of " + first.path +
                       "; one call analyses runs of one grid "
                       "(the maps live in one VMR), so run them separately");
    }
  }
  std::vector<std::string> inputs;
  for (const PlannedRun& planned : plan.runs) inputs.push_back(planned.runPath);
  if (!options.mdmPath.empty()) inputs.push_back(options.mdmPath);
  const std::vector<PlannedOutput> outputs = plannedOutputs(plan);
  checkOutputTargets(outputs, outFolder);
  checkOutputsSpareInputs(outputs, inputs);
  if (!options.settingsFolder.empty()) {
    makeSettingsFolder(settingsFolder(options.settingsFolder));
  }
  prepareOutputFolder(outFolder);
  // From here until its outputs are in place this command alone writes into
  // the output folder: two commands there would mix their runs' files.
  const FolderLock outputLock(outFolder, kOutputLockName, "output folder", err);
  clearStaleTemporaries(outFolder, err);

  // A private folder, or the user's under its lock from reading the
  // settings to the plug-in's saving them.
  const SettingsPlace place(options.settingsFolder, err);
  const fs::path script = place.script();
  if (place.persistent()) report.settingsScript = script.string();
  const DialogSettings dialog = settingsFor(options, script, err);
  AnalysisParameters parameters;
  parameters.dialog = dialog;
  parameters.scale = scale;

  // Every output is written into the stage and appears at the end.
  OutputStage stage(outFolder);
  // A line of the plug-in's as the user reads it: naming where the files
  // end up, not where they wait until the call ends.
  auto shown = [&stage, &place](const std::string& line) {
    return place.withUserPaths(stage.withFinalPaths(line));
  };
  HostListeners listeners;
  // When each run's analysis began, by the plug-in's load line, for the
  // progress lines of a several-run call.
  std::vector<std::pair<std::string, Clock::time_point>> runStarts;
  listeners.logLine = [&out, &runStarts, &options, &shown](const std::string& line) {
    if (line.rfind("Successfully loaded ", 0) == 0) {
      runStarts.emplace_back(line.substr(20), Clock::now());
    }
    if (options.showTable || !isPerVolumeTableLine(line)) {
      out << shown(line) << std::endl;
    }
  };
  listeners.messageBox = [&err](const std::string& text) {
    err << "[message box] " << text << std::endl;
  };
  HostSession session(pluginLibraryPath(), place.pluginsFolder(), std::move(listeners));
  std::vector<std::string> givenVtcs;
  for (std::size_t i = 0; i < plan.runs.size(); ++i) {
    session.registerRun(plan.runs[i].vtcPath, runs[i]);
    if (i < plan.givenCount) givenVtcs.push_back(plan.runs[i].vtcPath);
  }
  session.setSettings(dialog);
  session.setFileList(givenVtcs);

  const fs::path logFile = outFolder / (plan.logName.empty() ? callLogFileName() : plan.logName);
  report.logFile = logFile.string();
  const std::string logHeader = callLogHeader(plan, place, parameters);
  std::vector<std::string> logNotes;  // the command's warnings, after the plug-in's lines
  auto saveLog = [&](const fs::path& folder) {
    std::string text = logHeader;
    for (const std::string& line : session.logLines()) text += shown(line) + "\n";
    for (const std::string& line : logNotes) text += line + "\n";
    // The stage is flushed as a whole when committed; a log beside a
    // failure goes straight into the output folder, so it is flushed now.
    if (folder == stage.folder()) {
      writeCheckedFileAtomically(folder / logFile.filename(), text);
    } else {
      writeFileAtomically(folder / logFile.filename(), text);
    }
  };

  if (!session.initPlugin()) {
    saveLog(outFolder);
    throw runError("the plug-in did not start (initPlugin returned false)");
  }
  if (plan.runs.size() > plan.givenCount) addMdmRuns(session, plan);
  reachStep(options.atStep, "analysis");
  const bool runPages = options.writeReport.value_or(true);
  // The statistics take the cores even while the plug-in runs: it keeps
  // to one, and what it leaves idle the statistics then use.
  const unsigned threads = threadsFor(options.jobs);
  OrderedWork<SampleResults> sampleWork(sampleTasks(session, plan, runs, runPages, threads),
                                        threads > 1);
  report.executeResult = session.execute("Start");
  const Clock::time_point analysisEnd = Clock::now();
  Clock::time_point outputsSince = analysisEnd;
  if (!report.executeResult) {
    saveLog(outFolder);
    return report;
  }
  reachStep(options.atStep, "outputs");
  // When an output fails, the log still lands in the output folder.
  struct LogOnFailure {
    std::function<void()> save;
    ~LogOnFailure() {
      if (!save) return;
      try {
        save();
      } catch (const std::exception&) {  // the output's own error is reported
      }
    }
  } logOnFailure{[&] { saveLog(outFolder); }};

  const std::vector<LinkedVtc> linked = session.linkedVtcs();
  const std::vector<MadeMap> madeMaps = session.maps();
  for (std::size_t i = 0; i < plan.runs.size(); ++i) {
    auto analysed = std::find_if(linked.begin(), linked.end(), [&](const LinkedVtc& vtc) {
      return vtc.vtcPath == plan.runs[i].vtcPath;
    });
    if (analysed == linked.end()) {
      err << "quorvel: " << plan.runs[i].runPath
          << ": the plug-in did not analyse this run; no outputs for it\n";
      continue;
    }
    const std::vector<RunMap> maps = mapsOfRun(*analysed, madeMaps, dialog, plan.runs[i].runPath);
    // The maps' images need nothing from the statistics: with threads to
    // spare they are written while the statistics are still computed.
    std::future<void> mapImages;
    if (threads > 1 && !maps.empty()) {
      mapImages = startBeside(true, [&] {
        writeRunMapImages(plan.runs[i], *runs[i].header, maps, stage.folder(), true);
      });
    }
    SampleResults sampled;
    const auto takeStatistics = [&] {
      sampled = sampleWork.take(i);
      return std::move(sampled.stats);
    };
    // The run page is made from what is known before the run's outputs are
    // written, beside their writing when there are threads for it, and
    // written after them as before; a failure to make it surfaces there.
    const fs::path pagePath = stage.folder() / plan.runs[i].names.reportName();
    const SampleView samples = session.samples(plan.runs[i].vtcPath);
    std::vector<std::string> shownLog;
    RunResult pageResult;
    std::future<std::string> page;
    const auto startPage = [&](const RunResult& known) {
      if (!runPages) return;
      for (const std::string& line : analysed->logLines) shownLog.push_back(shown(line));
      pageResult = known;
      page = std::async(threads > 1 ? std::launch::async : std::launch::deferred, [&] {
        return report::renderRunReport({pageResult, *runs[i].header, samples, maps, parameters,
                                        shownLog, &sampled.page, threads > 1},
                                       pagePath);
      });
    };
    report.runs.push_back(analyseRunQuality(
        takeStatistics, plan.runs[i], runs[i], maps, parameters, analysed->logLines, stage.folder(),
        options.repetitionTime, startPage, threads > 1, &mapImages));
    // Named as they will be once committed.
    for (std::string& file : report.runs.back().files) {
      file = (outFolder / fs::path(file).filename()).string();
    }
    for (const std::string& warning : report.runs.back().warnings) {
      err << "quorvel: " << warning << "\n";
      logNotes.push_back("Warning: " + warning);
    }
    if (runPages) {
      writeCheckedFileAtomically(pagePath, page.get());
      report.runs.back().files.push_back((outFolder / plan.runs[i].names.reportName()).string());
    }
    if (plan.runs.size() > 1) {
      // The plug-in's time on the run and the command's on its outputs.
      const Clock::time_point now = Clock::now();
      const double seconds = pluginSecondsOfRun(runStarts, plan.runs[i].vtcPath, analysisEnd) +
                             std::chrono::duration<double>(now - outputsSince).count();
      outputsSince = now;
      err << progressLine(i + 1, plan.runs.size(), report.runs.back(), seconds) << std::endl;
    }
    if (options.afterRun) {
      options.afterRun(report.runs.back(), session.samples(plan.runs[i].vtcPath));
    }
  }
  const fs::path description = outFolder / kDatasetDescriptionName;
  if (options.writeDatasetDescription && mayReplaceDatasetDescription(description)) {
    writeCheckedFileAtomically(stage.folder() / kDatasetDescriptionName, datasetDescriptionJson());
    report.datasetDescriptionFile = description.string();
  } else if (options.writeDatasetDescription) {
    err << "quorvel: " << description.string()
        << ": kept as it is, since quorvel did not write it (it is not JSON, or "
           "its GeneratedBy does not name Quorvel); no description of the outputs "
           "was written\n";
  }
  saveLog(stage.folder());
  stage.commit(options.atStep);
  logOnFailure.save = nullptr;

  // The settings script changes last, so that it never holds settings that
  // the outputs beside it were not made with: a call stopped before this
  // leaves the previous script.
  reachStep(options.atStep, "settings");
  report.settingsSaved = settingsWereSaved(session, place.savingScript(), dialog);
  const std::string unkept = place.keepSavedSettings();
  if (unkept.empty()) {
    reportSettingsSaving(place, report.settingsSaved, err);
  } else {
    report.settingsSaved = false;
    err << "quorvel: the settings could not be saved: " << unkept << "\n";
  }
  return report;
}

}  // namespace quorvel::cli
