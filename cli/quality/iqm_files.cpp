#include "cli/quality/iqm_files.h"

#include <charconv>

#include <nlohmann/json.hpp>

#include "cli/base/json_text.h"

namespace quorvel::cli {
namespace {

using nlohmann::ordered_json;

template <typename T>
ordered_json orNull(const std::optional<T>& value) {
  return value ? ordered_json(*value) : ordered_json(nullptr);
}

std::string cell(const std::optional<double>& value) {
  return value ? shortestText(*value) : "n/a";
}

std::optional<double> countValue(std::size_t count) { return static_cast<double>(count); }

// The IQMs under MRIQC's names, after the command's own numbers.
void addFunctionalIqms(const FunctionalIqms& f, ordered_json& document) {
  const TemporalIqms& t = f.temporal;
  document["brain_mask"] = f.maskGiven ? "given" : "automatic";
  document["brain_mask_voxels"] = f.maskVoxels;
  document["dummy"] = f.dummy;
  document["tsnr"] = orNull(t.tsnr);
  document["dvars_std"] = orNull(t.dvarsStd);
  document["dvars_nstd"] = orNull(t.dvarsNstd);
  document["dvars_vstd"] = orNull(t.dvarsVstd);
  document["gcor"] = orNull(t.gcor);
  document["aor"] = orNull(t.aor);
  document["aqi"] = orNull(f.quality.mean);
  document["efc"] = orNull(f.image.efc);
  document["fber"] = orNull(f.image.fber);
  document["fwhm_x"] = orNull(f.smoothness.x);
  document["fwhm_y"] = orNull(f.smoothness.y);
  document["fwhm_z"] = orNull(f.smoothness.z);
  document["fwhm_avg"] = orNull(f.smoothness.average);
  document["snr"] = orNull(f.image.snr);
  document["gsr_x"] = orNull(f.image.gsrX);
  document["gsr_y"] = orNull(f.image.gsrY);
  const std::pair<const char*, const DistributionSummary*> regions[] = {
      {"fg", &f.image.foreground}, {"bg", &f.image.background}};
  for (const auto& [region, summary] : regions) {
    const std::string prefix = std::string("summary_") + region + "_";
    document[prefix + "mean"] = orNull(summary->mean);
    document[prefix + "stdv"] = orNull(summary->stdv);
    document[prefix + "median"] = orNull(summary->median);
    document[prefix + "mad"] = orNull(summary->mad);
    document[prefix + "p05"] = orNull(summary->p05);
    document[prefix + "p95"] = orNull(summary->p95);
    document[prefix + "k"] = orNull(summary->k);
    document[prefix + "n"] = orNull(countValue(summary->n));
  }
}

}  // namespace

std::string shortestText(double value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

std::string iqmJson(const std::string& runPath, const RunQuality& q,
                    const AnalysisParameters& parameters,
                    const std::vector<std::string>& warnings) {
  const SampleStatistics& s = q.samples;
  ordered_json document;
  document["Run"] = runPath;
  document["Volumes"] = s.volumes;
  document["RepetitionTime"] = orNull(q.repetitionTime);
  document["Parameters"] = parametersJson(parameters);
  document["Warnings"] = warnings;
  document["voxels_analysed"] = s.voxelsAnalysed;
  document["voxels_analysed_fraction"] =
      s.voxels > 0
          ? ordered_json(static_cast<double>(s.voxelsAnalysed) / static_cast<double>(s.voxels))
          : ordered_json(nullptr);
  document["tsnr_mean"] = orNull(s.tsnrMean);
  document["tsnr_median"] = orNull(s.tsnrMedian);
  document["ac12_median"] = orNull(s.ac12Median);
  document["outlier_volumes"] = orNull(q.outlierVolumes);
  document["outlier_volumes_fraction"] = orNull(q.outlierVolumesFraction);
  document["spike_volumes"] = orNull(q.spikeVolumes);
  document["spike_volumes_fraction"] = orNull(q.spikeVolumesFraction);
  document["outlier_fraction_mean"] = orNull(q.outlierFractionMean);
  document["outlier_fraction_max"] = orNull(q.outlierFractionMax);
  document["dvars_mean"] = orNull(q.dvarsMean);
  document["dvars_max"] = orNull(q.dvarsMax);
  document["std_dvars_mean"] = orNull(q.stdDvarsMean);
  document["std_dvars_max"] = orNull(q.stdDvarsMax);
  document["global_signal_mean"] = orNull(q.globalSignalMean);
  if (q.functional) addFunctionalIqms(*q.functional, document);
  if (q.motion) {
    const MotionNumbers& m = *q.motion;
    document["Parameters"]["FdThreshold"] = m.fdThreshold;
    document["MotionReferenceVolume"] =
        m.unavailable.empty() ? ordered_json(m.referenceVolume) : ordered_json(nullptr);
    document["fd_mean"] = orNull(m.fdMean);
    document["fd_num"] = orNull(m.fdNum);
    document["fd_perc"] = orNull(m.fdPerc);
    document["translation_max"] = orNull(m.maxTranslation);
    document["rotation_max"] = orNull(m.maxRotation);
  }
  return jsonFileText(document);
}

void forEachTimeseriesLine(const RunQuality& q,
                           const std::function<void(const std::string&)>& emit) {
  const FunctionalIqms* f = q.functional ? &*q.functional : nullptr;
  std::string text =
      "outlier_count\tspike_count\toutlier_fraction\tdvars\tstd_dvars\tglobal_signal";
  if (f != nullptr) text += "\tnon_steady_state\taor\taqi";
  if (q.motion) {
    for (const char* column : kMotionColumns) text += std::string("\t") + column;
  }
  text += "\n";
  emit(text);
  const SampleStatistics& s = q.samples;
  for (std::size_t v = 0; v < s.volumes; ++v) {
    text.clear();
    if (q.counts) {
      text +=
          std::to_string(q.counts->outliers[v]) + "\t" + std::to_string(q.counts->spikes[v]) + "\t";
    } else {
      text += "n/a\tn/a\t";
    }
    text += cell(q.outlierFraction[v]) + "\t" + cell(s.dvars[v]) + "\t" + cell(s.stdDvars[v]) +
            "\t" + cell(s.globalSignal[v]);
    if (f != nullptr) {
      const auto at = [v](const OptionalSeries& series) {
        return v < series.size() ? cell(series[v]) : std::string("n/a");
      };
      text += std::string("\t") + (v < f->dummy ? "1" : "0") + "\t" + at(f->temporal.aorSeries) +
              "\t" + at(f->quality.series);
    }
    if (q.motion) {
      for (std::size_t c = 0; c < kMotionColumns.size(); ++c) {
        text += "\t" + (v < q.motion->volumes.size() ? cell(q.motion->volumes.at(v, c))
                                                     : std::string("n/a"));
      }
    }
    text += "\n";
    emit(text);
  }
}

std::string qualityTimeseriesTsv(const RunQuality& quality) {
  std::string text;
  forEachTimeseriesLine(quality, [&text](const std::string& line) { text += line; });
  return text;
}

}  // namespace quorvel::cli
