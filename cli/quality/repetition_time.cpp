#include "cli/quality/repetition_time.h"

#include <cmath>

#include <nifti2_io.h>

#include "cli/base/number_text.h"
#include "cli/nifti/nifti_run.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

std::optional<double> fromHeader(const std::string& runPath, double spacing, int timeUnits,
                                 std::vector<std::string>& warnings) {
  if (!std::isfinite(spacing) || spacing <= 0) return std::nullopt;
  switch (timeUnits) {
    case NIFTI_UNITS_SEC:
      return spacing;
    case NIFTI_UNITS_MSEC:
      return spacing / 1e3;
    case NIFTI_UNITS_USEC:
      return spacing / 1e6;
    default:
      warnings.push_back(runPath + ": the header gives a volume spacing of " + numberText(spacing) +
                         " without a time unit; the repetition time is left empty (a BIDS "
                         "sidecar JSON beside the run with \"RepetitionTime\" gives it)");
      return std::nullopt;
  }
}

}  // namespace

fs::path sidecarPathOf(const std::string& runPath) {
  return fs::path(runPath).parent_path() / (niftiStem(runPath) + ".json");
}

std::optional<double> repetitionTimeOf(const std::string& runPath, double volumeSpacing,
                                       int timeUnits, std::vector<std::string>& warnings) {
  const fs::path sidecar = sidecarPathOf(runPath);
  std::vector<std::string> headerNotes;
  const std::optional<double> header = fromHeader(runPath, volumeSpacing, timeUnits, headerNotes);
  const SidecarRepetitionTime read = readSidecarRepetitionTime(sidecar);
  if (!read.warning.empty()) warnings.push_back(read.warning);
  const std::optional<double> fromJson = read.seconds;
  if (!fromJson) {
    warnings.insert(warnings.end(), headerNotes.begin(), headerNotes.end());
    return header;
  }
  if (header && std::fabs(*header - *fromJson) > 0.01 * *fromJson) {
    warnings.push_back(runPath + ": the header gives a repetition time of " + numberText(*header) +
                       " s, its sidecar " + sidecar.string() + " " + numberText(*fromJson) +
                       " s; the sidecar's is used");
  }
  return fromJson;
}

}  // namespace quorvel::cli
