#include "cli/outputs/output_names.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <vector>

#include "cli/nifti/nifti_run.h"

namespace quorvel::cli {
namespace {

std::vector<std::string> splitAt(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  while (true) {
    std::string::size_type end = text.find(separator, start);
    parts.push_back(text.substr(start, end - start));
    if (end == std::string::npos) return parts;
    start = end + 1;
  }
}

// "key-value" with both sides non-empty and no further dash-free oddities.
bool isEntity(const std::string& part) {
  std::string::size_type dash = part.find('-');
  return dash != std::string::npos && dash > 0 && dash + 1 < part.size();
}

// A suffix is a non-empty word of letters and digits without a dash.
bool isSuffix(const std::string& part) {
  return !part.empty() && std::all_of(part.begin(), part.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

}  // namespace

RunOutputNames outputNamesFor(const std::string& runPath) {
  RunOutputNames names;
  names.stem = niftiStem(runPath);
  names.entities = names.stem;
  std::vector<std::string> parts = splitAt(names.stem, '_');
  if (parts.size() >= 2 && isSuffix(parts.back())) {
    bool allEntities = true;
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
      allEntities = allEntities && isEntity(parts[i]);
    }
    if (allEntities) {
      names.entities = names.stem.substr(0, names.stem.rfind('_'));
    }
  }
  return names;
}

std::string RunOutputNames::mapName(MapKind kind) const {
  return entities + "_" + mapFileLabel(kind) + "_boldmap.nii.gz";
}

std::string RunOutputNames::mapSidecarName(MapKind kind) const {
  return entities + "_" + mapFileLabel(kind) + "_boldmap.json";
}

std::string RunOutputNames::timeseriesName() const { return entities + "_desc-qc_timeseries.tsv"; }

std::string RunOutputNames::timeseriesSidecarName() const {
  return entities + "_desc-qc_timeseries.json";
}

std::string callLogFileName() {
  static const std::string name = [] {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
    return "quorvel_log_" + std::string(stamp) + "_" + std::to_string(::getpid()) + ".txt";
  }();
  return name;
}

std::string RunOutputNames::iqmName() const { return entities + "_desc-qc_iqms.json"; }

std::string RunOutputNames::brainMaskName() const { return entities + "_desc-brain_mask.nii.gz"; }

std::string RunOutputNames::reportName() const { return entities + "_desc-qc_report.html"; }

}  // namespace quorvel::cli
