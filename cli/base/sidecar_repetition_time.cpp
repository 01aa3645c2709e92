#include "cli/base/sidecar_repetition_time.h"

#include <nlohmann/json.hpp>

#include "cli/base/number_text.h"
#include "cli/base/regular_file_text.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// Sidecars are small; anything larger is not one.
constexpr std::uintmax_t kMaxSidecarBytes = 1 << 20;
constexpr double kShortestRepetitionTime = 1e-3, kLongestRepetitionTime = 3600;

}  // namespace

bool isPossibleRepetitionTime(double seconds) {
  return seconds >= kShortestRepetitionTime && seconds <= kLongestRepetitionTime;
}

std::string possibleRepetitionTimeRange() {
  return "from " + numberText(kShortestRepetitionTime) + " to " +
         numberText(kLongestRepetitionTime) + " s";
}

SidecarRepetitionTime readSidecarRepetitionTime(const fs::path& sidecar) {
  const FileText text = readRegularFile(sidecar, kMaxSidecarBytes);
  if (text.missing) return {};
  if (text.tooLarge) {
    return {std::nullopt,
            sidecar.string() + ": too large for a sidecar; its RepetitionTime is not used"};
  }
  if (!text.problem.empty()) {
    return {std::nullopt, sidecar.string() + ": cannot be read (" + text.problem +
                              "); its RepetitionTime is not used"};
  }
  const nlohmann::json document = nlohmann::json::parse(text.text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) {
    return {std::nullopt, sidecar.string() + ": not a JSON object; its RepetitionTime is not used"};
  }
  const auto found = document.find("RepetitionTime");
  if (found == document.end()) return {};
  if (!found->is_number()) {
    return {std::nullopt,
            sidecar.string() + ": RepetitionTime is not a number of seconds; not used"};
  }
  const double seconds = found->get<double>();
  if (!(seconds > 0)) {
    return {std::nullopt, sidecar.string() + ": RepetitionTime " + numberText(seconds) +
                              " is not a positive number of seconds; not used"};
  }
  if (!isPossibleRepetitionTime(seconds)) {
    return {std::nullopt, sidecar.string() + ": RepetitionTime " + numberText(seconds) +
                              " s is not a possible repetition time (" +
                              possibleRepetitionTimeRange() + "); not used"};
  }
  return {seconds, ""};
}

}  // namespace quorvel::cli
