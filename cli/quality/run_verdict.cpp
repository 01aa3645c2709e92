#include "cli/quality/run_verdict.h"

#include <cmath>
#include <cstdio>

#include "cli/quality/normal_quantile.h"

namespace quorvel::cli {
namespace {

// `n` with the plural of `noun`: "1 volume", "3 volumes".
std::string countOf(std::size_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

std::string decimal(double value, int digits) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

// "10, 31-34 and 72" for volumes from 0, shown from 1.
std::string volumeList(const std::vector<std::size_t>& volumes) {
  std::vector<long> shown;
  shown.reserve(volumes.size());
  for (std::size_t volume : volumes) shown.push_back(static_cast<long>(volume) + 1);
  return rangesText(shown);
}

// The steady-state volumes whose `series` value exceeds `limit`.
std::vector<std::size_t> volumesAbove(const OptionalSeries& series, std::size_t first,
                                      double limit) {
  std::vector<std::size_t> above;
  for (std::size_t v = first; v < series.size(); ++v) {
    if (series[v] && *series[v] > limit) above.push_back(v);
  }
  return above;
}

// "3 of 153 steady-state volumes have <what>: 10, 31-34." or "No ...".
std::string markedLine(const std::vector<std::size_t>& marked, std::size_t steady,
                       const std::string& what) {
  if (marked.empty()) return "No steady-state volume has " + what + ".";
  return std::to_string(marked.size()) + " of the " + std::to_string(steady) +
         " steady-state volumes " + (marked.size() == 1 ? "has " : "have ") + what + ": " +
         volumeList(marked) + ".";
}

}  // namespace

std::string rangesText(const std::vector<long>& numbers) {
  std::vector<std::string> parts;
  for (std::size_t i = 0; i < numbers.size();) {
    std::size_t j = i;
    while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
    parts.push_back(j == i ? std::to_string(numbers[i])
                           : std::to_string(numbers[i]) + "-" + std::to_string(numbers[j]));
    i = j + 1;
  }
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += (i + 1 == parts.size()) ? " and " : ", ";
    text += parts[i];
  }
  return text;
}

double chanceOfOutlyingVoxel(double deviations, std::size_t voxels) {
  const double perVoxel = 2.0 * upperNormalTail(deviations);
  return -std::expm1(static_cast<double>(voxels) * std::log1p(-perVoxel));
}

RunVerdict runVerdict(const FunctionalIqms& iqms, const MotionNumbers* motion) {
  RunVerdict verdict;
  const TemporalIqms& t = iqms.temporal;
  const std::size_t volumes = t.aorSeries.size();
  const std::size_t steady = volumes > iqms.dummy ? volumes - iqms.dummy : 0;
  std::vector<std::string> reasons;
  if (iqms.maskVoxels == 0) {
    verdict.findings.push_back("The brain mask is empty: no IQM could be computed.");
    reasons.push_back("empty brain mask");
  } else {
    if (iqms.dummy > 0) {
      verdict.findings.push_back(
          "The first " + countOf(iqms.dummy, "volume") +
          " came before the scanner's steady state and are left out of every IQM.");
    }
    verdict.aorVolumes = volumesAbove(t.aorSeries, iqms.dummy, kAorVolumeLimit);
    verdict.findings.push_back(markedLine(verdict.aorVolumes, steady,
                                          "more than " + decimal(100 * kAorVolumeLimit, 3) +
                                              " % of the brain's voxels outlying (aor)"));
    if (!verdict.aorVolumes.empty()) {
      reasons.push_back(countOf(verdict.aorVolumes.size(), "outlier volume"));
    }
    verdict.dvarsVolumes = volumesAbove(t.dvarsStdSeries, iqms.dummy, kDvarsStdVolumeLimit);
    verdict.findings.push_back(markedLine(
        verdict.dvarsVolumes, steady,
        "a standardised DVARS above " + decimal(kDvarsStdVolumeLimit, 3) + " (dvars_std)"));
    if (!verdict.dvarsVolumes.empty()) {
      reasons.push_back(countOf(verdict.dvarsVolumes.size(), "DVARS volume"));
    }
    if (t.tsnr) {
      const bool low = *t.tsnr < kTsnrLimit;
      verdict.findings.push_back("Median TSNR in the brain mask " + decimal(*t.tsnr, 3) +
                                 (low ? ", below " : ", at least ") + decimal(kTsnrLimit, 3) + ".");
      if (low) reasons.push_back("TSNR " + decimal(*t.tsnr, 3));
    }
  }
  // The motion's own sentence comes from the motion; only its marks join
  // the summary here.
  if (motion != nullptr && motion->fdMean && *motion->fdMean > kFdMeanLimit) {
    reasons.push_back("mean FD " + decimal(*motion->fdMean, 3) + " mm");
  }
  if (motion != nullptr && motion->fdPerc && *motion->fdPerc > kFdPercLimit) {
    reasons.push_back(decimal(*motion->fdPerc, 3) + " % of volumes above FD " +
                      decimal(motion->fdThreshold, 3) + " mm");
  }
  verdict.check = !reasons.empty();
  std::string why;
  for (std::size_t i = 0; i < reasons.size(); ++i) why += (i > 0 ? ", " : "") + reasons[i];
  verdict.summary = verdict.check ? "check this run: " + why : "no finding";
  return verdict;
}

}  // namespace quorvel::cli
