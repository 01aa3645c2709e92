#include "cli/quality/repetition_time.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <nifti2_io.h>
#include <nlohmann/json.hpp>

#include "cli/base/number_text.h"
#include "cli/nifti/nifti_run.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// Sidecars are small; anything larger is not one.
constexpr std::uintmax_t kMaxSidecarBytes = 1 << 20;

std::optional<double> fromSidecar(const fs::path& sidecar, std::vector<std::string>& warnings) {
  std::error_code error;
  if (!fs::is_regular_file(sidecar, error)) return std::nullopt;
  if (fs::file_size(sidecar, error) > kMaxSidecarBytes || error) {
    warnings.push_back(sidecar.string() +
                       ": too large for a sidecar; its RepetitionTime is not used");
    return std::nullopt;
  }
  std::ifstream in(sidecar, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const nlohmann::json document = nlohmann::json::parse(text.str(), nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    warnings.push_back(sidecar.string() + ": not a JSON object; its RepetitionTime is not used");
    return std::nullopt;
  }
  const auto found = document.find("RepetitionTime");
  if (found == document.end()) return std::nullopt;
  if (!found->is_number() || !std::isfinite(found->get<double>()) || found->get<double>() <= 0) {
    warnings.push_back(sidecar.string() +
                       ": RepetitionTime is not a positive number of seconds; not used");
    return std::nullopt;
  }
  return found->get<double>();
}

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

std::optional<double> repetitionTimeOf(const std::string& runPath, double volumeSpacing,
                                       int timeUnits, std::vector<std::string>& warnings) {
  const fs::path sidecar = fs::path(runPath).parent_path() / (niftiStem(runPath) + ".json");
  std::vector<std::string> headerNotes;
  const std::optional<double> header = fromHeader(runPath, volumeSpacing, timeUnits, headerNotes);
  const std::optional<double> fromJson = fromSidecar(sidecar, warnings);
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
