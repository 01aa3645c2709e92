#include "cli/commands/demo_command.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "cli/base/cli_error.h"
#include "cli/commands/demo_run.h"
#include "cli/commands/run_command.h"
#include "cli/outputs/run_plan.h"
#include "cli/quality/volume_counts.h"
#include "cli/report/quality_marks.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// "31, 51-54 and 72": the 1-based numbers of the volumes with a count.
std::string volumeList(const std::vector<long>& counts) {
  std::vector<int> volumes;
  for (std::size_t v = 0; v < counts.size(); ++v) {
    if (counts[v] > 0) volumes.push_back(static_cast<int>(v) + 1);
  }
  return report::volumeRanges(volumes);
}

std::size_t volumesWithAny(const std::vector<long>& counts) {
  return static_cast<std::size_t>(
      std::count_if(counts.begin(), counts.end(), [](long c) { return c > 0; }));
}

// "1 spike", "3 spikes".
std::string countOf(long count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// One line that tells a newcomer what an output file holds.
const char* describeOutput(const std::string& file) {
  struct Kind {
    const char* ending;
    const char* description;
  };
  static const Kind kinds[] = {
      {"_stat-tsnr_boldmap.nii.gz", "TSNR map: each voxel's mean over its standard deviation"},
      {"_desc-ac12_boldmap.nii.gz",
       "lag 1+2 autocorrelation map: high where the signal drifts slowly"},
      {"_desc-maxdev_boldmap.nii.gz",
       "largest deviation of each voxel, in standard deviations (negative: a dip)"},
      {"_boldmap.json", "the map's name and display thresholds"},
      {".csv", "the plug-in's own file: outliers and spikes per volume"},
      {"_desc-qc_timeseries.tsv",
       "per volume: the plug-in's counts, DVARS, global signal, outlier fraction and quality "
       "index in the brain, head motion and framewise displacement"},
      {"_desc-qc_timeseries.json", "what the table's columns mean"},
      {"_desc-qc_iqms.json",
       "the run's quality numbers: the field's standard IQMs in the brain mask (tsnr, "
       "dvars_std, aor, aqi, fd_mean ...) beside the plug-in's own"},
      {"_desc-brain_mask.nii.gz",
       "the brain mask the quality numbers and head motion use, made from the run itself"},
      {"_desc-qc_report.html",
       "the visual quality report: maps, per-volume traces and carpet in one page"},
  };
  for (const Kind& kind : kinds) {
    const std::string ending = kind.ending;
    if (file.size() >= ending.size() &&
        file.compare(file.size() - ending.size(), ending.size(), ending) == 0) {
      return kind.description;
    }
  }
  return "";
}

// Median of the finite, positive values (the brain voxels of a TSNR map).
double brainMedian(std::vector<float> values) {
  values.erase(std::remove_if(values.begin(), values.end(),
                              [](float v) { return !(v > 0) || !std::isfinite(v); }),
               values.end());
  if (values.empty()) return 0.0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

}  // namespace

int runDemo(const std::string& outFolder, const std::string& settingsFolder, std::ostream& out,
            std::ostream& err) {
  prepareOutputFolder(outFolder);
  const fs::path runPath = fs::path(outFolder) / kDemoRunName;
  const DemoRunShape shape;
  writeDemoRun(shape, runPath);
  err << "quorvel: wrote the synthetic run " << runPath.string() << " (" << shape.nx << " x "
      << shape.ny << " x " << shape.nz << " voxels, " << shape.nt << " volumes)\n";

  RunOptions options;
  options.runs = {runPath.string()};
  options.outFolder = outFolder;
  options.settingsFolder = settingsFolder;
  RunReport report = runQuorvel(options, out, err);

  out << "\n== Quorvel demo: what the analysis found\n";
  if (!report.executeResult) {
    out << "The plug-in stopped before the end of its run; see the log above.\n";
    return kExitRunFailed;
  }
  for (const RunResult& run : report.runs) {
    out << "Run " << run.runPath << ": " << run.volumes << " volumes\n";
    if (!run.tsnrValues.empty()) {
      out << "  median TSNR in the brain: " << std::lround(brainMedian(run.tsnrValues)) << "\n";
    }
    if (run.quality.counts) {
      const VolumeCounts& counts = *run.quality.counts;
      out << "  volumes with outlier voxels: " << volumesWithAny(counts.outliers);
      if (volumesWithAny(counts.outliers) > 0) out << " (" << volumeList(counts.outliers) << ")";
      out << "\n  volumes with spikes: " << volumesWithAny(counts.spikes);
      if (volumesWithAny(counts.spikes) > 0) out << " (" << volumeList(counts.spikes) << ")";
      out << "\n  largest counts:";
      std::vector<std::size_t> order(counts.outliers.size());
      for (std::size_t v = 0; v < order.size(); ++v) order[v] = v;
      std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return counts.outliers[a] > counts.outliers[b];
      });
      for (std::size_t i = 0; i < order.size() && i < 7 && counts.outliers[order[i]] > 0; ++i) {
        out << "\n    volume " << order[i] + 1 << ": "
            << countOf(counts.outliers[order[i]], "outlier") << ", "
            << countOf(counts.spikes[order[i]], "spike");
      }
      out << "\n  (the synthetic run has spikes in volumes";
      for (std::size_t i = 0; i < shape.spikeVolumes.size(); ++i) {
        out << (i == 0 ? " " : ", ") << shape.spikeVolumes[i] + 1;
      }
      out << " and a step in volumes " << shape.stepFirstVolume + 1 << "-"
          << shape.stepFirstVolume + shape.stepLength << ")\n";
    } else {
      out << "  no per-volume counts (both temporal outputs are switched off)\n";
    }
    out << "  files:\n";
    for (const std::string& file : run.files) {
      out << "    " << file << "\n      " << describeOutput(file) << "\n";
    }
  }
  if (!report.datasetDescriptionFile.empty()) {
    out << "  description: " << report.datasetDescriptionFile
        << "\n      marks the folder as derived data made by Quorvel\n";
  }
  out << "  log: " << report.logFile
      << "\n      the parameters used and the plug-in's log, as printed above\n";
  if (!report.settingsScript.empty()) {
    out << "  settings: " << report.settingsScript << "\n";
  } else {
    out << "  settings: the installed defaults (--settings-dir DIR keeps them between calls)\n";
  }
  for (const RunResult& run : report.runs) {
    for (const std::string& file : run.files) {
      if (file.size() > 5 && file.compare(file.size() - 5, 5, ".html") == 0) {
        out << "\nOpen the quality report in a web browser: " << file << "\n";
      }
    }
  }
  return kExitSuccess;
}

CLI::App* addDemoCommand(CLI::App& app, DemoOptions& options) {
  CLI::App* demo =
      app.add_subcommand("demo", "Write a synthetic run with known faults and analyse it");
  demo->add_option("-o,--out", options.outFolder, "Folder for the synthetic run and every output")
      ->capture_default_str();
  demo->add_option("--settings-dir", options.settingsFolder,
                   "Keep the settings between calls in this folder (as for run)");
  demo->footer("Example:\n  quorvel demo --out /tmp/quorvel-demo");

  return demo;
}

int runDemo(const DemoOptions& options, std::ostream& out, std::ostream& err) {
  return runDemo(options.outFolder, options.settingsFolder, out, err);
}

}  // namespace quorvel::cli
