#include "cli/report/quality_marks.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "cli/quality/run_verdict.h"
#include "cli/quality/sample_statistics.h"
#include "cli/report/html_text.h"

namespace quorvel::cli::report {
namespace {

double orNan(const std::optional<double>& value) { return value ? *value : std::nan(""); }

double orNan(const std::optional<long>& value) {
  return value ? static_cast<double>(*value) : std::nan("");
}

QualityNumber number(const char* key, const char* label, double value) {
  return QualityNumber{key, label, value, "", false};
}

// `n` with the plural of `noun`: "1 volume", "3 volumes".
std::string countOf(std::size_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::optional<double> analysedFraction(const RunQuality& quality) {
  if (quality.samples.voxels == 0) return std::nullopt;
  return static_cast<double>(quality.samples.voxelsAnalysed) /
         static_cast<double>(quality.samples.voxels);
}

}  // namespace

std::string volumeRanges(const std::vector<int>& volumes) {
  return rangesText(std::vector<long>(volumes.begin(), volumes.end()));
}

std::vector<QualityNumber> qualityNumbers(const RunQuality& q) {
  const SampleStatistics& s = q.samples;
  std::vector<QualityNumber> numbers = {
      number("voxels_analysed", "Voxels analysed", static_cast<double>(s.voxelsAnalysed)),
      number("voxels_analysed_fraction", "Share of the grid analysed", orNan(analysedFraction(q))),
      number("tsnr_mean", "Mean TSNR", orNan(s.tsnrMean)),
      number("tsnr_median", "Median TSNR", orNan(s.tsnrMedian)),
      number("ac12_median", "Median lag 1+2 autocorrelation", orNan(s.ac12Median)),
      number("outlier_volumes", "Volumes with an outlier voxel", orNan(q.outlierVolumes)),
      number("spike_volumes", "Volumes with a spike voxel", orNan(q.spikeVolumes)),
      number("outlier_fraction_mean", "Mean outlier fraction", orNan(q.outlierFractionMean)),
      number("outlier_fraction_max", "Largest outlier fraction", orNan(q.outlierFractionMax)),
      number("dvars_mean", "Mean DVARS", orNan(q.dvarsMean)),
      number("std_dvars_mean", "Mean standardised DVARS", orNan(q.stdDvarsMean)),
      number("std_dvars_max", "Largest standardised DVARS", orNan(q.stdDvarsMax)),
      number("global_signal_mean", "Mean global signal", orNan(q.globalSignalMean))};
  if (q.motion) {
    const MotionNumbers& m = *q.motion;
    numbers.push_back(number("fd_mean", "Mean framewise displacement (mm)", orNan(m.fdMean)));
    numbers.push_back(
        number("fd_perc", "Volumes with FD above the threshold (%)", orNan(m.fdPerc)));
    numbers.push_back(
        number("translation_max", "Largest translation (mm)", orNan(m.maxTranslation)));
    numbers.push_back(number("rotation_max", "Largest rotation (degrees)",
                             m.maxRotation ? *m.maxRotation * 180.0 / M_PI : NAN));
  }
  for (QualityNumber& n : numbers) {
    if (n.key == "voxels_analysed_fraction") {
      n.limit = "below " + numberText(kAnalysedFractionLimit);
      n.beyond = n.value < kAnalysedFractionLimit;
    } else if (n.key == "tsnr_median") {
      n.limit = "below " + numberText(kTsnrMedianLimit);
      n.beyond = n.value < kTsnrMedianLimit;
    } else if (n.key == "outlier_fraction_max") {
      n.limit = "above " + numberText(kOutlierFractionLimit);
      n.beyond = n.value > kOutlierFractionLimit;
    } else if (n.key == "std_dvars_max") {
      n.limit = "above " + numberText(kStdDvarsLimit);
      n.beyond = n.value > kStdDvarsLimit;
    }
  }
  return numbers;
}

std::vector<std::string> verdictLines(const RunQuality& quality, const std::vector<Trace>& traces) {
  std::vector<std::string> lines;
  for (const Trace& trace : traces) {
    if (!trace.threshold) continue;
    std::vector<int> past;
    for (std::size_t v = 0; v < trace.values.size(); ++v) {
      if (trace.values[v] > *trace.threshold) past.push_back(static_cast<int>(v) + 1);
    }
    const std::string what =
        trace.key == "outlier_fraction" ? "more than " + numberText(100 * *trace.threshold) +
                                              " % of the analysed voxels outlying"
        : trace.key == "std_dvars" ? "a standardised DVARS above " + numberText(*trace.threshold)
        : trace.key == "framewise_displacement"
            ? "a framewise displacement above " + numberText(*trace.threshold) + " mm"
            : trace.label + " above " + numberText(*trace.threshold);
    lines.push_back(past.empty() ? "No volume has " + what + "."
                                 : countOf(past.size(), "volume") + " of " +
                                       std::to_string(trace.values.size()) + " " +
                                       (past.size() == 1 ? "has " : "have ") + what + ": " +
                                       volumeRanges(past) + ".");
  }
  if (quality.counts && !quality.counts->spikes.empty()) {
    const auto& spikes = quality.counts->spikes;
    const auto most = std::max_element(spikes.begin(), spikes.end());
    lines.push_back(
        *most == 0 ? "No voxel spikes in any volume."
                   : "Spike voxels appear in " +
                         countOf(static_cast<std::size_t>(orNan(quality.spikeVolumes)), "volume") +
                         "; most in volume " + std::to_string(most - spikes.begin() + 1) + " (" +
                         std::to_string(*most) + ").");
  }
  if (quality.samples.tsnrMedian) {
    lines.push_back("Median TSNR " + numberText(*quality.samples.tsnrMedian, 3) +
                    (*quality.samples.tsnrMedian < kTsnrMedianLimit ? ", below " : ", at least ") +
                    numberText(kTsnrMedianLimit) + ".");
  }
  return lines;
}

std::vector<std::string> floorWarnings(const RunQuality& quality) {
  const std::optional<double> share = analysedFraction(quality);
  if (!share || *share >= kAnalysedFractionLimit) return {};
  return {"Only " + std::to_string(quality.samples.voxelsAnalysed) + " voxels (" +
          numberText(100 * *share, 2) +
          " % of the grid) have a mean above the intensity "
          "floor of " +
          numberText(kIntensityFloor) +
          "; the analysis leaves every other "
          "voxel out. Runs stored on a small scale (percent signal change, 0 to 1) are not "
          "analysed at all."};
}

}  // namespace quorvel::cli::report
