#include "cli/report/run_report.h"

#include <cmath>
#include <exception>
#include <future>
#include <new>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/base/work_beside.h"
#include "cli/quality/run_verdict.h"
#include "cli/report/html_text.h"
#include "cli/report/quality_marks.h"
#include "cli/session/map_kind.h"

namespace quorvel::cli::report {
namespace {

// Rows of the carpet at most: a row per screen pixel of its height on a
// large display, and a picture that stays well under a megabyte.
constexpr std::size_t kCarpetRows = 480;

double orNan(const std::optional<double>& value) { return value ? *value : std::nan(""); }

// A trace read from `values`, undefined before volume `first`.
TraceValues seriesOf(const OptionalSeries& values, std::size_t first = 0) {
  return TraceValues(values.size(), [&values, first](std::size_t v) {
    return v < first ? std::nan("") : orNan(values[v]);
  });
}

TraceValues seriesOf(const std::vector<long>& values) {
  return TraceValues(values.size(),
                     [&values](std::size_t v) { return static_cast<double>(values[v]); });
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

// The values of `values` inside `within` (all of them when it is empty or
// of another size): the colour scales are robust percentiles of the brain,
// not of a background or a degenerate voxel.
std::vector<float> valuesWithin(const std::vector<float>& values,
                                const std::vector<std::uint8_t>& within) {
  if (within.size() != values.size() || within.empty()) return values;
  std::vector<float> inside;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (within[i] != 0) inside.push_back(values[i]);
  }
  return inside.empty() ? values : inside;
}

MapPanel mapPanel(MapKind kind, const std::vector<float>& values, double maxDeviation,
                  const std::vector<std::uint8_t>& brainMask) {
  MapPanel panel;
  panel.values = values;
  panel.description = mapDescription(kind);
  switch (kind) {
    case MapKind::kTsnr:
      panel.key = "tsnr";
      panel.title = "TSNR";
      panel.scale = percentileScale(ColourMap::kViridis, valuesWithin(values, brainMask), true);
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
      panel.scale = percentileScale(ColourMap::kViridis, valuesWithin(values, brainMask), false);
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

// The largest value of `series` from volume `first` on; NaN for none.
double largestFrom(const OptionalSeries& series, std::size_t first) {
  double largest = std::nan("");
  for (std::size_t v = first; v < series.size(); ++v) {
    if (series[v] && !(*series[v] <= largest)) largest = *series[v];
  }
  return largest;
}

double countValue(const std::optional<long>& count) {
  return count ? static_cast<double>(*count) : std::nan("");
}

QualityNumber marked(const char* key, const char* label, double value, const char* limit,
                     bool beyond) {
  return QualityNumber{key, label, value, limit, beyond};
}

QualityNumber plain(const std::string& key, const std::string& label, double value) {
  return QualityNumber{key, label, value, "", false};
}

// The page's traces, numbers and findings from the standard IQMs on the
// brain mask and the steady-state volumes, each against the threshold
// docs/quality-numbers.md gives. The plug-in's per-voxel counts stay,
// unmarked, with the chance level they reach at the run's size.
void addStandardIqms(const FunctionalIqms& f, const RunQuality& quality, double maxDeviation,
                     RunPageInput& input) {
  const MotionNumbers* motion = quality.motion ? &*quality.motion : nullptr;
  const RunVerdict verdict = runVerdict(f, motion);
  const TemporalIqms& t = f.temporal;
  input.traces.push_back({"aor", "Outlier fraction in the brain mask (aor)",
                          seriesOf(t.aorSeries, f.dummy), kAorVolumeLimit});
  input.traces.push_back({"dvars_std",
                          "DVARS in the brain mask, standardised (dvars_std; 1 = as the "
                          "noise explains)",
                          seriesOf(t.dvarsStdSeries), kDvarsStdVolumeLimit});
  input.traces.push_back({"aqi", "Quality index (aqi: 1 - rank correlation with the median volume)",
                          seriesOf(f.quality.series), std::nullopt});

  const double aorMax = largestFrom(t.aorSeries, f.dummy);
  const double dvarsMax = largestFrom(t.dvarsStdSeries, f.dummy);
  const double tsnr = orNan(t.tsnr);
  input.numbers = {
      marked("brain_mask_voxels", "Voxels in the brain mask", static_cast<double>(f.maskVoxels),
             "none", f.maskVoxels == 0),
      plain("dummy", "Non-steady-state volumes left out", static_cast<double>(f.dummy)),
      marked("tsnr", "Median TSNR in the brain (tsnr)", tsnr, "below 40", tsnr < kTsnrLimit),
      marked("aor_max", "Largest outlier fraction of a volume (aor)", aorMax, "above 0.05",
             aorMax > kAorVolumeLimit),
      plain("aor", "Mean outlier fraction (aor)", orNan(t.aor)),
      marked("dvars_std_max", "Largest standardised DVARS (dvars_std)", dvarsMax, "above 1.5",
             dvarsMax > kDvarsStdVolumeLimit),
      plain("dvars_std", "Mean standardised DVARS (dvars_std)", orNan(t.dvarsStd)),
      plain("aqi", "Mean quality index (aqi)", orNan(f.quality.mean)),
      plain("gcor", "Global correlation (gcor)", orNan(t.gcor)),
      plain("efc", "Entropy focus criterion (efc)", orNan(f.image.efc)),
      plain("fber", "Foreground-background energy ratio (fber)", orNan(f.image.fber)),
      plain("snr", "Signal-to-noise ratio (snr)", orNan(f.image.snr)),
      plain("fwhm_avg", "Smoothness, mean FWHM in voxels (fwhm_avg)", orNan(f.smoothness.average)),
  };
  if (motion != nullptr && motion->fdMean) {
    const double fdMean = *motion->fdMean;
    const double fdPerc = orNan(motion->fdPerc);
    input.numbers.push_back(marked("fd_mean", "Mean framewise displacement, mm (fd_mean)", fdMean,
                                   "above 0.25", fdMean > kFdMeanLimit));
    input.numbers.push_back(
        plain("fd_num", "Volumes with FD above " + numberText(motion->fdThreshold) + " mm (fd_num)",
              countValue(motion->fdNum)));
    input.numbers.push_back(marked("fd_perc", "Share of volumes above it, % (fd_perc)", fdPerc,
                                   "above 20", fdPerc > kFdPercLimit));
    input.numbers.push_back(plain("translation_max", "Largest translation, mm (translation_max)",
                                  orNan(motion->maxTranslation)));
    input.numbers.push_back(
        plain("rotation_max", "Largest rotation, rad (rotation_max)", orNan(motion->maxRotation)));
  }
  input.verdicts = verdict.findings;

  // The plug-in's numbers, as per-voxel counts over its own voxels.
  const SampleStatistics& s = quality.samples;
  const double chance = chanceOfOutlyingVoxel(maxDeviation, s.voxelsAnalysed);
  const std::string atChance = "by chance " + numberText(100 * chance, 3) + " % of volumes at " +
                               std::to_string(s.voxelsAnalysed) + " voxels";
  input.numbers.push_back(plain("voxels_analysed", "Voxels the plug-in analysed (mean above 100)",
                                static_cast<double>(s.voxelsAnalysed)));
  input.numbers.push_back(
      plain("tsnr_median", "Median TSNR of the plug-in's voxels", orNan(s.tsnrMedian)));
  if (quality.counts) {
    input.numbers.push_back(plain("outlier_volumes",
                                  "Volumes with a per-voxel outlier (" + atChance + ")",
                                  countValue(quality.outlierVolumes)));
    input.numbers.push_back(
        plain("spike_volumes", "Volumes with a per-voxel spike", countValue(quality.spikeVolumes)));
    input.verdicts.push_back(
        "The plug-in counts single voxels beyond " + numberText(maxDeviation, 3) +
        " standard deviations: among " + std::to_string(s.voxelsAnalysed) +
        " voxels of pure noise a volume has one with probability " + numberText(chance, 3) +
        ", so its counts of volumes with an outlier or spike voxel "
        "do not judge the run.");
  }
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
  if (quality.functional && quality.functional->mask.size() == input.grid.voxels()) {
    input.brainMask = quality.functional->mask;
  }
  input.analysedVoxels = sampled.analysedVoxels;
  input.carpet = std::move(sampled.carpet);
  input.meanImage = sampled.mean;

  // Each map's colour scale is a selection over every voxel: with the
  // pictures side by side, the maps' panels are made beside the mean's.
  std::vector<std::future<MapPanel>> panels;
  const double maxDeviation = sources.parameters.dialog.maxDeviation;
  for (const RunMap& map : sources.maps) {
    if (map.map.values.size() != input.grid.voxels()) continue;
    const std::vector<std::uint8_t>& brainMask = input.brainMask;
    panels.push_back(startBeside(sources.picturesSideBySide, [&map, maxDeviation, &brainMask] {
      return mapPanel(map.kind, map.map.values, maxDeviation, brainMask);
    }));
  }
  MapPanel mean;
  mean.key = "mean";
  mean.title = "Mean image";
  mean.description = "Mean of each voxel over the run, in the run's units.";
  mean.scale = percentileScale(ColourMap::kGrey, valuesWithin(sampled.mean, input.brainMask), true);
  mean.ticks = {mean.scale.low, (mean.scale.low + mean.scale.high) / 2, mean.scale.high};
  mean.values = std::move(sampled.mean);
  input.maps.push_back(std::move(mean));
  for (std::future<MapPanel>& panel : panels) input.maps.push_back(panel.get());

  if (quality.motion &&
      quality.motion->volumes.size() == static_cast<std::size_t>(result.volumes)) {
    // FD and the six parameters first, rotations shown in degrees.
    const MotionNumbers& motion = *quality.motion;
    const auto column = [&motion](std::size_t c, double factor) {
      return TraceValues(motion.volumes.size(), [&motion, c, factor](std::size_t v) {
        const std::optional<double> value = motion.volumes.at(v, c);
        return value ? *value * factor : NAN;
      });
    };
    input.traces.push_back({"framewise_displacement", "Framewise displacement (mm)", column(6, 1.0),
                            motion.fdThreshold});
    const char* axes[] = {"x", "y", "z"};
    for (std::size_t a = 0; a < 3; ++a) {
      input.traces.push_back({kMotionColumns[a],
                              std::string("Translation along ") + axes[a] + " (mm)", column(a, 1.0),
                              std::nullopt});
    }
    for (std::size_t a = 0; a < 3; ++a) {
      input.traces.push_back({kMotionColumns[3 + a],
                              std::string("Rotation about ") + axes[a] + " (degrees)",
                              column(3 + a, 180.0 / M_PI), std::nullopt});
    }
  }
  if (quality.functional) {
    addStandardIqms(*quality.functional, quality, sources.parameters.dialog.maxDeviation, input);
  }
  // The plug-in's own series, over its analysed voxels.
  if (quality.counts) {
    input.traces.push_back({"outlier_fraction",
                            "The plug-in's outlier voxels (a per-voxel count), as a fraction "
                            "of its analysed voxels",
                            seriesOf(quality.outlierFraction), kOutlierFractionLimit});
    input.traces.push_back({"spike_count", "The plug-in's spike voxels (a per-voxel count)",
                            seriesOf(quality.counts->spikes), std::nullopt});
  }
  input.traces.push_back({"std_dvars",
                          "DVARS of the plug-in's voxels, standardised (1 = as the noise explains)",
                          seriesOf(quality.samples.stdDvars), kStdDvarsLimit});
  input.traces.push_back({"global_signal", "Global signal (mean of the plug-in's analysed voxels)",
                          seriesOf(quality.samples.globalSignal), std::nullopt});
  if (!quality.functional) {
    input.numbers = qualityNumbers(quality);
    input.verdicts = verdictLines(quality, input.traces);
  }
  if (quality.motion) input.verdicts.push_back(quality.motion->findings);
  input.warnings = result.warnings;
  for (const std::string& warning : floorWarnings(quality)) input.warnings.push_back(warning);
  input.log = withoutVolumeTable(sources.log);
  input.picturesSideBySide = sources.picturesSideBySide;
  return input;
}

std::string renderRunReport(const RunReportSources& sources, const std::filesystem::path& path) {
  try {
    return runPageHtml(runPageInputFor(sources));
  } catch (const std::bad_alloc&) {
    throw;  // the call names the run and the memory it needs
  } catch (const std::exception& error) {
    throw runError(path.string() + ": the report could not be made: " + error.what());
  }
}

std::string writeRunReport(const RunReportSources& sources, const std::filesystem::path& path) {
  writeFileAtomically(path, renderRunReport(sources, path));
  return path.string();
}

}  // namespace quorvel::cli::report
