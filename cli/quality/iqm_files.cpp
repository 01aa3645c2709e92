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
  return jsonFileText(document);
}

std::string qualityTimeseriesTsv(const RunQuality& q) {
  std::string text =
      "outlier_count\tspike_count\toutlier_fraction\tdvars\tstd_dvars\tglobal_signal\n";
  const SampleStatistics& s = q.samples;
  for (std::size_t v = 0; v < s.volumes; ++v) {
    if (q.counts) {
      text +=
          std::to_string(q.counts->outliers[v]) + "\t" + std::to_string(q.counts->spikes[v]) + "\t";
    } else {
      text += "n/a\tn/a\t";
    }
    text += cell(q.outlierFraction[v]) + "\t" + cell(s.dvars[v]) + "\t" + cell(s.stdDvars[v]) +
            "\t" + cell(s.globalSignal[v]) + "\n";
  }
  return text;
}

}  // namespace quorvel::cli
