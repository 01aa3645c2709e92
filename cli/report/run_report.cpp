#include "cli/report/run_report.h"

#include <cmath>
#include <exception>
#include <future>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/base/work_beside.h"
#include "cli/report/html_text.h"
#include "cli/report/quality_marks.h"
#include "cli/session/map_kind.h"

namespace quorvel::cli::report {
namespace {

// Rows of the carpet at most: a row per screen pixel of its height on a
// large display, and a picture that stays well under a megabyte.
constexpr std::size_t kCarpetRows = 480;

double orNan(const std::optional<double>& value) { return value ? *value : std::nan(""); }

std::vector<double> seriesOf(const std::vector<std::optional<double>>& values) {
  std::vector<double> out;
  out.reserve(values.size());
  for (const auto& value : values) out.push_back(orNan(value));
  return out;
}

std::vector<double> seriesOf(const std::vector<long>& values) {
  return std::vector<double>(values.begin(), values.end());
}

std::string onOff(bool value) { return value ? "on" : "off"; }

std::vector<std::pair<std::string, std::string>> parameterList(
    const AnalysisParameters& parameters) {
  const DialogSettings& d = parameters.dialog;
  return {{"Outlier threshold", numberText(d.maxDeviation, 6) + " SD"},
          {"Spike threshold", numberText(d.spikeDef, 6) + " SD"},
          {"TSNR map", onOff(d.createTSNRMap)},
          {"Largest-deviation map", onOff(d.createOutlierMap)},
          {"Autocorrelation map", onOff(d.createLaggedAutocorMap)},
          {"Counts in the log / CSV file",
           onOff(d.createTemporalOutlierLogtab) + " / " + onOff(d.createTemporalOutlierFile)},
          {"Sample scaling", numberText(parameters.scale, 6)}};
}

MapPanel mapPanel(MapKind kind, const std::vector<float>& values, double maxDeviation) {
  MapPanel panel;
  panel.values = values;
  panel.description = mapDescription(kind);
  switch (kind) {
    case MapKind::kTsnr:
      panel.key = "tsnr";
      panel.title = "TSNR";
      panel.scale = percentileScale(ColourMap::kViridis, values, true);
      break;
    case MapKind::kOutliers:
      panel.key = "maxdev";
      panel.title = "Largest deviation (SD)";
      panel.scale = thresholdScale(maxDeviation);
      panel.description += " Beyond the outlier threshold of " + numberText(maxDeviation, 4) +
                           " SD the colours turn strong: red above, blue below.";
      break;
    case MapKind::kLaggedAutocorrelation:
      panel.key = "ac12";
      panel.title = "Lag 1+2 autocorrelation";
      panel.scale = percentileScale(ColourMap::kViridis, values, false);
      break;
  }
  const ValueScale& s = panel.scale;
  panel.ticks = s.knee > 0 ? std::vector<double>{s.low, -s.knee, 0.0, s.knee, s.high}
                           : std::vector<double>{s.low, (s.low + s.high) / 2, s.high};
  return panel;
}

// The run's lines of the plug-in's log without the per-volume table,
// which the traces show.
std::vector<std::string> withoutVolumeTable(const std::vector<std::string>& log) {
  std::vector<std::string> lines;
  for (const std::string& line : log) {
    if (line.rfind("Volume ", 0) != 0) lines.push_back(line);
  }
  return lines;
}

}  // namespace

RunSamples sampleForRunPage(const SampleView& samples, const nifti_image& header,
                            const VoxelMeans* known) {
  HostSamples host;
  host.int16Samples = samples.int16Samples;
  host.floatSamples = samples.floatSamples;
  host.voxels = samples.voxels;
  host.volumes = static_cast<int>(samples.volumes);
  host.voxelsPerSlice = static_cast<int>(header.nx) * static_cast<int>(header.ny);
  return sampleRunForReport(host, kCarpetRows, known);
}

RunPageInput runPageInputFor(const RunReportSources& sources) {
  const RunResult& result = sources.result;
  const nifti_image& header = sources.header;
  const RunQuality& quality = result.quality;
  RunPageInput input;
  input.runName = result.runPath;
  input.grid = VolumeGrid{static_cast<int>(header.nx), static_cast<int>(header.ny),
                          static_cast<int>(header.nz), std::fabs(header.dx),
                          std::fabs(header.dy),        std::fabs(header.dz)};
  input.volumes = result.volumes;
  input.repetitionTime = quality.repetitionTime;
  input.parameters = parameterList(sources.parameters);

  RunSamples sampled =
      sources.sampled ? *sources.sampled : sampleForRunPage(sources.samples, header);
  input.mask = std::move(sampled.mask);
  input.analysedVoxels = sampled.analysedVoxels;
  input.carpet = std::move(sampled.carpet);
  input.meanImage = sampled.mean;

  // Each map's colour scale is a selection over every voxel: with the
  // pictures side by side, the maps' panels are made beside the mean's.
  std::vector<std::future<MapPanel>> panels;
  const double maxDeviation = sources.parameters.dialog.maxDeviation;
  for (const RunMap& map : sources.maps) {
    if (map.map.values.size() != input.grid.voxels()) continue;
    panels.push_back(startBeside(sources.picturesSideBySide, [&map, maxDeviation] {
      return mapPanel(map.kind, map.map.values, maxDeviation);
    }));
  }
  MapPanel mean;
  mean.key = "mean";
  mean.title = "Mean image";
  mean.description = "Mean of each voxel over the run, in the run's units.";
  mean.scale = percentileScale(ColourMap::kGrey, sampled.mean, true);
  mean.ticks = {mean.scale.low, (mean.scale.low + mean.scale.high) / 2, mean.scale.high};
  mean.values = std::move(sampled.mean);
  input.maps.push_back(std::move(mean));
  for (std::future<MapPanel>& panel : panels) input.maps.push_back(panel.get());

  if (quality.counts) {
    input.traces.push_back({"outlier_fraction",
                            "Outlier voxels, as a fraction of the analysed "
                            "voxels",
                            seriesOf(quality.outlierFraction), kOutlierFractionLimit});
    input.traces.push_back(
        {"spike_count", "Spike voxels (count)", seriesOf(quality.counts->spikes), std::nullopt});
  }
  input.traces.push_back({"std_dvars", "DVARS, standardised (1 = as expected from the noise)",
                          seriesOf(quality.samples.stdDvars), kStdDvarsLimit});
  input.traces.push_back({"global_signal", "Global signal (mean of the analysed voxels)",
                          seriesOf(quality.samples.globalSignal), std::nullopt});

  input.numbers = qualityNumbers(quality);
  input.verdicts = verdictLines(quality, input.traces);
  input.warnings = result.warnings;
  for (const std::string& warning : floorWarnings(quality)) input.warnings.push_back(warning);
  input.log = withoutVolumeTable(sources.log);
  input.picturesSideBySide = sources.picturesSideBySide;
  return input;
}

std::string renderRunReport(const RunReportSources& sources, const std::filesystem::path& path) {
  try {
    return runPageHtml(runPageInputFor(sources));
  } catch (const std::exception& error) {
    throw runError(path.string() + ": the report could not be made: " + error.what());
  }
}

std::string writeRunReport(const RunReportSources& sources, const std::filesystem::path& path) {
  writeFileAtomically(path, renderRunReport(sources, path));
  return path.string();
}

}  // namespace quorvel::cli::report
