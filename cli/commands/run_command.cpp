#include "cli/commands/run_command.h"

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <future>
#include <locale>
#include <new>
#include <optional>
#include <sstream>
#include <system_error>
#include <utility>

#include "cli/base/atomic_file.h"
#include "cli/base/atomic_file_stream.h"
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
#include "cli/motion/motion_quality.h"
#include "cli/motion/run_motion.h"
#include "cli/nifti/memory_need.h"
#include "cli/nifti/nifti_run.h"
#include "cli/nifti/sample_scaling.h"
#include "cli/nifti/world_axes.h"
#include "cli/outputs/console_output.h"
#include "cli/outputs/output_checks.h"
#include "cli/outputs/output_names.h"
#include "cli/outputs/output_stage.h"
#include "cli/outputs/run_outputs.h"
#include "cli/outputs/run_plan.h"
#include "cli/outputs/sidecars.h"
#include "cli/outputs/stale_temporaries.h"
#include "cli/quality/functional_iqms.h"
#include "cli/quality/given_mask.h"
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

// The error of a call that ran out of memory on `run`.
CliError memoryErrorOf(const NiftiRun& run) {
  return notEnoughMemoryFor(run.path, run.voxelCount(), static_cast<std::size_t>(run.nt));
}

// The error of a call that ran out of memory after reading its runs: it
// names the largest, which needs the most.
CliError memoryErrorOf(const std::vector<NiftiRun>& runs) {
  const NiftiRun* largest = &runs.front();
  for (const NiftiRun& run : runs) {
    if (memoryNeedOfRun(run.voxelCount(), static_cast<std::size_t>(run.nt)) >
        memoryNeedOfRun(largest->voxelCount(), static_cast<std::size_t>(largest->nt))) {
      largest = &run;
    }
  }
  return memoryErrorOf(*largest);
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

// What the command computes from a run's samples besides the plug-in:
// the statistics of the plug-in's analysed voxels and the standard IQMs.
struct SampleNumbers {
  SampleStatistics stats;
  FunctionalIqms iqms;
};

// The quality numbers of one analysed run from its samples' statistics
// (asked for where they are needed) and the plug-in's counts, then every
// output of the run, all kept in `result`. `beforeWriting` sees `result`
// as it stands before the outputs are written (its run, volumes, quality
// and warnings) and may go on reading those while they are written: from
// then on only its files, maps, counts and TSNR values change. With
// `mapsSideBySide` the maps are written on threads of their own; with
// `mapImages` their images are being written by it.
void analyseRunQuality(const std::function<SampleNumbers()>& numbersOfSamples,
                       const std::function<MotionNumbers()>& motionOfSamples,
                       const PlannedRun& planned, const NiftiRun& run,
                       const std::vector<RunMap>& maps, const AnalysisParameters& parameters,
                       LineRange runLog, const fs::path& outFolder,
                       const std::optional<double>& givenRepetitionTime,
                       const std::function<void(const RunResult&)>& beforeWriting,
                       bool mapsSideBySide, std::future<void>* mapImages, RunResult& result) {
  std::vector<std::string> warnings = run.warnings;
  const std::optional<double> repetitionTime =
      givenRepetitionTime
          ? givenRepetitionTime
          : repetitionTimeOf(planned.runPath, run.header->dt, run.header->time_units, warnings);
  if (givenRepetitionTime) {
    // A given time (quorvel bids hands down its sidecars') over a header
    // that disagrees is used, and said.
    const double spacing = run.header->dt;
    const int unit = run.header->time_units;
    const double header = unit == NIFTI_UNITS_SEC    ? spacing
                          : unit == NIFTI_UNITS_MSEC ? spacing / 1e3
                          : unit == NIFTI_UNITS_USEC ? spacing / 1e6
                                                     : 0.0;
    if (header > 0 && std::fabs(header - *givenRepetitionTime) > 0.01 * *givenRepetitionTime) {
      warnings.push_back(planned.runPath + ": the header gives a repetition time of " +
                         numberText(header) + " s, the one given " +
                         numberText(*givenRepetitionTime) + " s; the given one is used");
    }
  }
  std::optional<VolumeCounts> counts =
      pluginCounts(planned, run.nt, parameters.dialog, runLog, outFolder);
  SampleNumbers numbers = numbersOfSamples();
  if (std::optional<std::string> floor =
          intensityFloorWarning(planned.runPath, numbers.stats, parameters.scale)) {
    warnings.push_back(*floor);
  }
  if (numbers.iqms.maskVoxels == 0) {
    warnings.push_back(planned.runPath +
                       ": the brain mask is empty (no voxel has a mean of 0 or more); "
                       "the standard IQMs are undefined");
  }
  RunQuality quality = combineQuality(std::move(numbers.stats), std::move(counts), repetitionTime);
  quality.functional = std::move(numbers.iqms);
  quality.motion = motionOfSamples();
  if (std::optional<std::string> motion = motionWarning(planned.runPath, *quality.motion)) {
    warnings.push_back(*motion);
  }
  // The page reads the one copy of the per-volume series the outputs are
  // written from: a long run's series are most of the call's memory.
  result.runPath = planned.runPath;
  result.volumes = static_cast<int>(quality.samples.volumes);
  result.quality = std::move(quality);
  result.warnings = std::move(warnings);
  if (beforeWriting) beforeWriting(result);
  RunResult written =
      writeRunOutputs(planned, *run.header, maps, parameters, result.quality,
                      iqmJson(planned.runPath, result.quality, parameters, result.warnings),
                      outFolder, result.warnings, mapsSideBySide, mapImages);
  result.files = std::move(written.files);
  result.tsnrValues = std::move(written.tsnrValues);
  for (const RunMap& map : maps) result.maps.push_back(map.map);
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
  SampleNumbers numbers;
  MotionNumbers motion;
  report::RunSamples page;  // when the run page is written
};

// The head motion of a run: every volume realigned to the volume
// `firstSteadyVolume`, compared inside `mask`, on up to `threads` threads.
MotionNumbers motionOfRun(const SampleView& samples, const nifti_image& header,
                          const VoxelMask& mask, std::size_t firstSteadyVolume, unsigned threads,
                          double fdThreshold) {
  const MotionGrid grid{
      {static_cast<int>(header.nx), static_cast<int>(header.ny), static_cast<int>(header.nz)},
      {std::fabs(header.dx), std::fabs(header.dy), std::fabs(header.dz)}};
  MotionOptions options;
  options.threads = threads;
  options.referenceVolume = firstSteadyVolume;
  const RunMotion motion = estimateRunMotion(samples, grid, mask, options);
  return motionQuality(motion, samples.volumes, fdThreshold);
}

// Computes every run's SampleResults, beside the plug-in's analysis when
// there are threads for it: both only read the samples the host holds.
std::vector<OrderedWork<SampleResults>::Task> sampleTasks(
    const HostSession& session, const RunPlan& plan, const std::vector<NiftiRun>& runs,
    const std::optional<VoxelMask>& mask, bool runPages, unsigned threads, double fdThreshold) {
  std::vector<OrderedWork<SampleResults>::Task> tasks;
  for (std::size_t i = 0; i < plan.runs.size(); ++i) {
    const SampleView samples = session.samples(plan.runs[i].vtcPath);
    const nifti_image* header = runs[i].header.get();
    const std::vector<float>* readerMeans = &runs[i].voxelMeans;
    const VoxelMask* givenMask = mask ? &*mask : nullptr;
    tasks.push_back([samples, header, readerMeans, givenMask, runPages, threads, fdThreshold] {
      SampleResults results;
      const std::array<int, 3> worldAxes = gridAxesOfWorld(*header);
      const VoxelGrid grid{static_cast<std::size_t>(header->nx),
                           static_cast<std::size_t>(header->ny),
                           static_cast<std::size_t>(header->nz), worldAxes[0], worldAxes[1]};
      // The motion is estimated on the IQMs' brain mask, against the first
      // steady-state volume, so both judge the same voxels and volumes.
      results.numbers.iqms = steadyStateBrain(samples, grid, threads, givenMask);
      // The motion reads the samples beside the statistics: each keeps
      // its own threads busy while the other waits for memory.
      // It reads only the mask, which nothing changes from here on.
      const VoxelMask& brainMask = results.numbers.iqms.mask;
      const std::size_t firstSteadyVolume = results.numbers.iqms.dummy;
      std::future<MotionNumbers> motion = startBeside(threads > 1, [&] {
        return motionOfRun(samples, *header, brainMask, firstSteadyVolume, threads, fdThreshold);
      });
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
      results.numbers.stats = computeSampleStatistics(samples, threads, &means);
      addMaskedIqms(samples, grid, threads, &results.numbers.iqms);
      if (page.valid()) results.page = page.get();
      results.motion = motion.get();
      return results;
    });
  }
  return tasks;
}

// What a call is to do, found from its options and input before anything
// is written: the plan of its runs and outputs, and the runs read.
struct PreparedCall {
  fs::path outFolder;
  double scale = 1.0;
  RunPlan plan;
  std::vector<NiftiRun> runs;
  std::optional<VoxelMask> givenMask;  // --mask, on the runs' grid
  // The files the call reads: its runs, their sidecars, the mask and the
  // MDM file.
  std::vector<std::string> inputs;
};

// Checks the options and the input, plans the runs and their outputs,
// reads the runs, then makes the settings and output folders. Throws an
// input error for anything wrong with them, before any output.
PreparedCall prepareCall(const RunOptions& options) {
  silenceNiftiLibrary();
  checkThresholdOption("--max-deviation", options.maxDeviation);
  checkThresholdOption("--spike-def", options.spikeDef);
  if (options.fdThreshold && !(std::isfinite(*options.fdThreshold) && *options.fdThreshold >= 0)) {
    throw inputError("--fd-threshold " + numberText(*options.fdThreshold) +
                     ": the threshold must be a finite number of mm, 0 or more");
  }
  PreparedCall call;
  call.scale = options.scale.value_or(1.0);
  if (!isUsableScale(call.scale)) {
    throw inputError("--scale " + numberText(call.scale) +
                     ": the factor must be a finite number above 0");
  }
  std::vector<std::string> mdmRuns;
  if (!options.mdmPath.empty()) mdmRuns = readMdmRunPaths(options.mdmPath);
  call.outFolder = options.outFolder.empty() ? fs::path(".") : fs::path(options.outFolder);
  // The host's VTCs, and so the plug-in's CSV files, live in the staging
  // folder until the outputs are committed.
  call.plan = planRuns(options.runs, mdmRuns, call.outFolder, call.outFolder / stagingFolderName());
  applyNamingOptions(options, call.plan);
  checkRunNamesAreText(call.plan);

  for (const PlannedRun& planned : call.plan.runs) {
    call.runs.push_back(readNiftiRun(planned.runPath, threadsFor(options.jobs)));
    try {
      scaleSamples(call.runs.back(), call.scale);
    } catch (const std::bad_alloc&) {
      throw memoryErrorOf(call.runs.back());
    }
    const NiftiRun& run = call.runs.back();
    const NiftiRun& first = call.runs.front();
    if (run.nx != first.nx || run.ny != first.ny || run.nz != first.nz) {
      throw inputError(run.path + ": its grid of " + gridText(run) + " voxels differs from the " +
                       gridText(first) + " of " + first.path +
                       "; one call analyses runs of one grid "
                       "(the maps live in one VMR), so run them separately");
    }
  }
  if (!options.maskPath.empty() && !call.runs.empty()) {
    const NiftiRun& first = call.runs.front();
    call.givenMask = readGivenMask(options.maskPath, VoxelGrid{static_cast<std::size_t>(first.nx),
                                                               static_cast<std::size_t>(first.ny),
                                                               static_cast<std::size_t>(first.nz)});
  }
  // A run's sidecar is read for its repetition time: an input like the run.
  for (const PlannedRun& planned : call.plan.runs) {
    call.inputs.push_back(planned.runPath);
    std::error_code error;
    const fs::path sidecar = sidecarPathOf(planned.runPath);
    if (fs::symlink_status(sidecar, error).type() != fs::file_type::not_found) {
      call.inputs.push_back(sidecar.string());
    }
  }
  if (!options.maskPath.empty()) call.inputs.push_back(options.maskPath);
  if (!options.mdmPath.empty()) call.inputs.push_back(options.mdmPath);
  const std::vector<PlannedOutput> outputs = plannedOutputs(call.plan);
  checkOutputNamesAreOwn(outputs);
  checkOutputTargets(outputs, call.outFolder);
  checkOutputsSpareInputs(outputs, call.inputs);
  if (!options.settingsFolder.empty()) {
    makeSettingsFolder(settingsFolder(options.settingsFolder));
  }
  prepareOutputFolder(call.outFolder);
  return call;
}

// One call from the output folder's lock on: the settings it runs with,
// the host session, the staging folder, the log, and what it reports.
// Its steps run in order: analyse(), then writeOutputs() and
// commitOutputs(), then keepSettings().
class RunCall {
 public:
  // Locks the output folder (from here until the outputs are in place this
  // call alone writes into it: two would mix their runs' files), clears
  // what killed calls left there, reads the settings and starts the host
  // session on the runs.
  RunCall(const RunOptions& options, PreparedCall prepared, std::ostream& out, std::ostream& err)
      : options_(options),
        call_(std::move(prepared)),
        out_(out),
        err_(err),
        threads_(threadsFor(options.jobs)),
        outputLock_(call_.outFolder, kOutputLockName, "output folder", err) {
    clearStaleTemporaries(call_.outFolder, call_.inputs, err_);
    // A private folder, or the user's under its lock from reading the
    // settings to the plug-in's saving them.
    place_.emplace(options_.settingsFolder, err_);
    if (place_->persistent()) report_.settingsScript = place_->script().string();
    parameters_.dialog = settingsFor(options_, place_->script(), err_);
    parameters_.scale = call_.scale;
    // Every output is written into the stage and appears at the end.
    stage_.emplace(call_.outFolder);
    startSession();
    const fs::path logName = call_.plan.logName.empty() ? callLogFileName() : call_.plan.logName;
    logFile_ = call_.outFolder / logName;
    report_.logFile = logFile_.string();
    logHeader_ = callLogHeader(call_.plan, *place_, parameters_);
  }

  RunCall(const RunCall&) = delete;
  RunCall& operator=(const RunCall&) = delete;

  // Starts the plug-in and runs its analysis, the samples' statistics
  // beside it. Returns what execute returned; when false, the log is
  // already in the output folder, or the user told it is lost. Throws a
  // run error when the plug-in does not start.
  bool analyse() {
    if (!session_->initPlugin()) {
      saveLogBesideFailure();
      throw runError("the plug-in did not start (initPlugin returned false)");
    }
    if (call_.plan.runs.size() > call_.plan.givenCount) addMdmRuns(*session_, call_.plan);
    reachStep(options_.atStep, "analysis");
    // The statistics take the cores even while the plug-in runs: it keeps
    // to one, and what it leaves idle the statistics then use.
    sampleWork_.emplace(sampleTasks(*session_, call_.plan, call_.runs, call_.givenMask, runPages(),
                                    threads_, options_.fdThreshold.value_or(0.2)),
                        threads_ > 1);
    report_.executeResult = session_->execute("Start");
    analysisEnd_ = Clock::now();
    outputsSince_ = analysisEnd_;
    // A plug-in that stopped for want of memory, or a host that lost log
    // lines for it, ends the call as the command's own work does then: with
    // the run and what it needs named, the log as it stands beside it.
    const bool outOfMemory = session_->ranOutOfMemory();
    if (!report_.executeResult || outOfMemory) saveLogBesideFailure();
    if (outOfMemory) throw std::bad_alloc();
    return report_.executeResult;
  }

  // Writes every analysed run's outputs, and the folder's description,
  // into the stage.
  void writeOutputs() {
    reachStep(options_.atStep, "outputs");
    const std::vector<LinkedVtc> linked = session_->linkedVtcs();
    const std::vector<MadeMap> madeMaps = session_->maps();
    for (std::size_t i = 0; i < call_.plan.runs.size(); ++i) {
      auto analysed = std::find_if(linked.begin(), linked.end(), [&](const LinkedVtc& vtc) {
        return vtc.vtcPath == call_.plan.runs[i].vtcPath;
      });
      if (analysed == linked.end()) {
        err_ << "quorvel: " << call_.plan.runs[i].runPath
             << ": the plug-in did not analyse this run; no outputs for it\n";
        continue;
      }
      writeRunOutputsOf(i, *analysed, madeMaps);
    }
    writeDatasetDescription();
  }

  // Saves the log into the stage and puts every staged output in place.
  void commitOutputs() {
    saveLog(stage_->folder());
    stage_->commit(options_.atStep);
  }

  // Saves the log straight into the output folder, for a call whose
  // analysis or outputs failed; when it cannot be saved either (the disk is full), the
  // user is told so, beside the outputs' own error.
  void saveLogBesideFailure() {
    try {
      saveLog(call_.outFolder);
    } catch (const std::exception& error) {
      err_ << "quorvel: " << error.what() << "; the log of this failed call is lost\n";
    }
  }

  // Keeps what the plug-in saved of the settings, and says what was not.
  // The settings script changes last, so that it never holds settings that
  // the outputs beside it were not made with: a call stopped before this
  // leaves the previous script.
  void keepSettings() {
    reachStep(options_.atStep, "settings");
    report_.settingsSaved =
        settingsWereSaved(*session_, place_->savingScript(), parameters_.dialog);
    const std::string unkept = place_->keepSavedSettings();
    if (unkept.empty()) {
      reportSettingsSaving(*place_, report_.settingsSaved, err_);
    } else {
      report_.settingsSaved = false;
      err_ << "quorvel: the settings could not be saved: " << unkept << "\n";
    }
  }

  // What the call produced, handed over: a long run's series are not
  // copied for the caller. The call is done with it then.
  RunReport takeReport() { return std::move(report_); }

  // The error of the call when memory ran out.
  CliError notEnoughMemory() const { return memoryErrorOf(call_.runs); }

 private:
  bool runPages() const { return options_.writeReport.value_or(true); }

  // A line of the plug-in's as the user reads it: naming where the files
  // end up, not where they wait until the call ends.
  std::string shown(const std::string& line) const {
    return place_->withUserPaths(stage_->withFinalPaths(line));
  }

  // Starts the host session with the runs registered and the settings
  // and file list handed to the plug-in.
  void startSession() {
    HostListeners listeners;
    listeners.logLine = [this](const std::string& line) {
      if (line.rfind("Successfully loaded ", 0) == 0) {
        runStarts_.emplace_back(line.substr(20), Clock::now());
      }
      if (options_.showTable || !isPerVolumeTableLine(line)) {
        out_ << shown(line) << std::endl;
      }
    };
    listeners.messageBox = [this](const std::string& text) {
      err_ << "[message box] " << text << std::endl;
    };
    session_.emplace(pluginLibraryPath(), place_->pluginsFolder(), std::move(listeners));
    std::vector<std::string> givenVtcs;
    for (std::size_t i = 0; i < call_.plan.runs.size(); ++i) {
      session_->registerRun(call_.plan.runs[i].vtcPath, call_.runs[i]);
      if (i < call_.plan.givenCount) givenVtcs.push_back(call_.plan.runs[i].vtcPath);
    }
    session_->setSettings(parameters_.dialog);
    session_->setFileList(givenVtcs);
  }

  // Writes the log into `folder`: its header, the plug-in's lines and the
  // command's warnings.
  void saveLog(const fs::path& folder) {
    // The stage is flushed as a whole when committed; a log beside a
    // failure goes straight into the output folder, so it is flushed now.
    // A long run logs a line per volume: the lines go out as they are
    // made, not gathered into one text first.
    AtomicFileStream file(folder / logFile_.filename(),
                          folder == stage_->folder() ? FileCheck::kReadBack : FileCheck::kSync);
    file.write(logHeader_);
    for (const std::string& line : session_->logLines()) {
      file.write(shown(line));
      file.write("\n");
    }
    for (const std::string& line : logNotes_) {
      file.write(line);
      file.write("\n");
    }
    file.commit();
  }

  // Writes the outputs of the call's run `i`, which the plug-in analysed as
  // `analysed`, into the stage, and reports them.
  void writeRunOutputsOf(std::size_t i, const LinkedVtc& analysed,
                         const std::vector<MadeMap>& madeMaps) {
    const PlannedRun& planned = call_.plan.runs[i];
    const NiftiRun& run = call_.runs[i];
    const std::vector<RunMap> maps =
        mapsOfRun(analysed, madeMaps, parameters_.dialog, planned.runPath);
    // The maps' images need nothing from the statistics: with threads to
    // spare they are written while the statistics are still computed.
    std::future<void> mapImages;
    if (threads_ > 1 && !maps.empty()) {
      mapImages = startBeside(
          true, [&] { writeRunMapImages(planned, *run.header, maps, stage_->folder(), true); });
    }
    SampleResults sampled;
    const auto takeNumbers = [&] {
      sampled = sampleWork_->take(i);
      return std::move(sampled.numbers);
    };
    // The run page is made from what is known before the run's outputs are
    // written, beside their writing when there are threads for it, and
    // written after them as before; a failure to make it surfaces there.
    const fs::path pagePath = stage_->folder() / planned.names.reportName();
    const SampleView samples = session_->samples(planned.vtcPath);
    std::vector<std::string> shownLog;
    // Declared before the page, which reads it until the page is made.
    RunResult result;
    std::future<std::string> page;
    const auto startPage = [&](const RunResult& known) {
      if (!runPages()) return;
      // The page leaves out the per-volume table, which its traces show: a
      // long run's table is not copied for it.
      for (const std::string& line : analysed.logLines) {
        if (line.rfind("Volume ", 0) != 0) shownLog.push_back(shown(line));
      }
      page = std::async(threads_ > 1 ? std::launch::async : std::launch::deferred, [&] {
        return report::renderRunReport(
            {known, *run.header, samples, maps, parameters_, shownLog, &sampled.page, threads_ > 1},
            pagePath);
      });
    };
    // Taken, not copied: a long run's motion rows are large, and only the
    // outputs need them.
    const auto takeMotion = [&] { return std::move(sampled.motion); };
    analyseRunQuality(takeNumbers, takeMotion, planned, run, maps, parameters_, analysed.logLines,
                      stage_->folder(), options_.repetitionTime, startPage, threads_ > 1,
                      &mapImages, result);
    // Named as they will be once committed.
    for (std::string& file : result.files) {
      file = (call_.outFolder / fs::path(file).filename()).string();
    }
    for (const std::string& warning : result.warnings) {
      err_ << "quorvel: " << warning << "\n";
      logNotes_.push_back("Warning: " + warning);
    }
    if (runPages()) {
      writeCheckedFileAtomically(pagePath, page.get());
      result.files.push_back((call_.outFolder / planned.names.reportName()).string());
    }
    report_.runs.push_back(std::move(result));
    const RunResult& kept = report_.runs.back();
    if (call_.plan.runs.size() > 1) {
      // The plug-in's time on the run and the command's on its outputs.
      const Clock::time_point now = Clock::now();
      const double seconds = pluginSecondsOfRun(runStarts_, planned.vtcPath, analysisEnd_) +
                             std::chrono::duration<double>(now - outputsSince_).count();
      outputsSince_ = now;
      err_ << progressLine(i + 1, call_.plan.runs.size(), kept, seconds) << std::endl;
    }
    if (options_.afterRun) options_.afterRun(kept, session_->samples(planned.vtcPath));
  }

  // Stages the output folder's dataset_description.json, unless asked not
  // to or one that quorvel did not write is there.
  void writeDatasetDescription() {
    if (!options_.writeDatasetDescription) return;
    const fs::path description = call_.outFolder / kDatasetDescriptionName;
    if (mayReplaceDatasetDescription(description)) {
      writeCheckedFileAtomically(stage_->folder() / kDatasetDescriptionName,
                                 datasetDescriptionJson());
      report_.datasetDescriptionFile = description.string();
    } else {
      err_ << "quorvel: " << description.string()
           << ": kept as it is, since quorvel did not write it (it is not JSON, or "
              "its GeneratedBy does not name Quorvel); no description of the outputs "
              "was written\n";
    }
  }

  const RunOptions& options_;
  PreparedCall call_;
  std::ostream& out_;
  std::ostream& err_;
  // Threads the call's own work may use beside the plug-in's.
  const unsigned threads_;
  RunReport report_;
  AnalysisParameters parameters_;
  // Destroyed in reverse: the statistics' work stops, the session ends,
  // the stage goes, the settings folder is released, then the output
  // folder's lock.
  const FolderLock outputLock_;
  std::optional<SettingsPlace> place_;
  std::optional<OutputStage> stage_;
  // When each run's analysis began, by the plug-in's load line, for the
  // progress lines of a several-run call.
  std::vector<std::pair<std::string, Clock::time_point>> runStarts_;
  std::optional<HostSession> session_;
  fs::path logFile_;
  std::string logHeader_;
  std::vector<std::string> logNotes_;  // the command's warnings, after the plug-in's lines
  std::optional<OrderedWork<SampleResults>> sampleWork_;
  Clock::time_point analysisEnd_;
  Clock::time_point outputsSince_;
};

}  // namespace

RunReport runQuorvel(const RunOptions& options, std::ostream& out, std::ostream& err) {
  // Everything that can be wrong with the input is found before any output.
  RunCall call(options, prepareCall(options), out, err);
  // A long run can need more memory than there is: the call then ends
  // with an error that says so, its outputs left unmade in the stage.
  try {
    if (!call.analyse()) return call.takeReport();
    try {
      call.writeOutputs();
      call.commitOutputs();
    } catch (...) {
      // When an output fails, the log still lands in the output folder.
      call.saveLogBesideFailure();
      throw;
    }
  } catch (const std::bad_alloc&) {
    throw call.notEnoughMemory();
  }
  call.keepSettings();
  return call.takeReport();
}

}  // namespace quorvel::cli
