#include "cli/outputs/console_output.h"

#include <cstdio>
#include <filesystem>

#include "cli/base/number_text.h"
#include "cli/nifti/nifti_run.h"
#include "cli/quality/run_verdict.h"

namespace quorvel::cli {
namespace {

// `value` to `digits` significant digits, as "%g" writes it.
std::string significant(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

std::string countOf(long count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

bool isPerVolumeTableLine(const std::string& line) {
  if (line.rfind("Number of deviating voxels", 0) == 0) return true;
  int volume = 0, consumed = 0;
  long outliers = 0, spikes = 0;
  return std::sscanf(line.c_str(), "Volume %d: %ld, of which %ld spikes%n", &volume, &outliers,
                     &spikes, &consumed) == 3 &&
         static_cast<std::size_t>(consumed) == line.size();
}

std::string progressLine(std::size_t number, std::size_t count, const RunResult& run,
                         double seconds) {
  std::string line = "[" + std::to_string(number) + "/" + std::to_string(count) + "] " +
                     niftiStem(run.runPath) + ": " + fixedText(seconds, 1) + " s, ";
  const RunQuality& q = run.quality;
  line +=
      q.outlierVolumes ? countOf(*q.outlierVolumes, "outlier volume") : std::string("no counts");
  return line;
}

std::string summaryLine(const RunResult& run) {
  const RunQuality& q = run.quality;
  const SampleStatistics& s = q.samples;
  std::string line = niftiStem(run.runPath) + ": " + countOf(run.volumes, "volume") + ", " +
                     std::to_string(s.voxelsAnalysed) + " voxels analysed";
  if (s.voxels > 0) {
    line += " (" +
            fixedText(100.0 * static_cast<double>(s.voxelsAnalysed) / static_cast<double>(s.voxels),
                      0) +
            "%)";
  }
  if (s.tsnrMedian) line += ", median TSNR " + fixedText(*s.tsnrMedian, 1);
  if (q.functional) {
    // The verdict comes from the IQMs on the brain mask and the
    // steady-state volumes; the plug-in's per-voxel counts stay in the
    // files and on the run page, where their chance level is given.
    const FunctionalIqms& f = *q.functional;
    line += "; brain mask " + std::to_string(f.maskVoxels) + " voxels, " +
            countOf(static_cast<long>(f.dummy), "non-steady-state volume");
    const auto add = [&line](const char* name, const std::optional<double>& value, int digits) {
      if (value) line += std::string(", ") + name + " " + significant(*value, digits);
    };
    add("tsnr", f.temporal.tsnr, 3);
    add("aor", f.temporal.aor, 2);
    add("aqi", f.quality.mean, 2);
    add("dvars_std", f.temporal.dvarsStd, 3);
    line += "; " + runVerdict(f, q.motion ? &*q.motion : nullptr).summary;
    if (!run.warnings.empty()) {
      line += ", " + countOf(static_cast<long>(run.warnings.size()), "warning");
    }
    return line;
  }
  if (q.outlierVolumes) {
    line += ", " + countOf(*q.outlierVolumes, "outlier volume") + ", " +
            countOf(*q.spikeVolumes, "spike volume");
  }
  if (q.dvarsMax) line += ", DVARS max " + fixedText(*q.dvarsMax, 1);
  if (q.stdDvarsMax) line += " (standardised " + fixedText(*q.stdDvarsMax, 2) + ")";
  if (!run.warnings.empty())
    line += ", " + countOf(static_cast<long>(run.warnings.size()), "warning");
  return line;
}

void printRunReport(const RunReport& report, const std::string& outFolder, bool quiet,
                    std::ostream& out, std::ostream& notes) {
  for (const auto& result : report.runs) {
    for (const std::string& file : result.files) notes << "quorvel: wrote " << file << "\n";
  }
  if (!report.datasetDescriptionFile.empty()) {
    notes << "quorvel: wrote " << report.datasetDescriptionFile << "\n";
  }
  notes << "quorvel: wrote " << report.logFile << "\n";
  if (!quiet) {
    out << "\n== Quorvel: " << report.runs.size() << (report.runs.size() == 1 ? " run" : " runs")
        << " analysed\n";
  }
  for (const auto& result : report.runs) out << summaryLine(result) << "\n";
  if (!quiet) {
    out << "Maps, tables and quality numbers in " << outFolder << "; log in " << report.logFile
        << "\n";
  }
}

std::string mapNameForRun(const std::string& pluginName, const std::string& vtcName,
                          const std::string& runFileName) {
  const std::string suffix = " of " + vtcName;
  if (pluginName.size() < suffix.size() ||
      pluginName.compare(pluginName.size() - suffix.size(), suffix.size(), suffix) != 0) {
    return pluginName;
  }
  return pluginName.substr(0, pluginName.size() - vtcName.size()) + runFileName;
}

}  // namespace quorvel::cli
