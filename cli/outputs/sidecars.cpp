#include "cli/outputs/sidecars.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

#include <nlohmann/json.hpp>

namespace quorvel::cli {
namespace {

using nlohmann::ordered_json;

// The float as the shortest decimal that reads back as it, so 0.3f shows
// as 0.3 rather than as its exact binary value.
double shortestDecimal(float value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::strtod(std::string(text, result.ptr).c_str(), nullptr);
}

std::string dumped(const ordered_json& document) {
  return document.dump(2) + "\n";
}

}  // namespace

std::string mapSidecarJson(MapKind kind, const MapFacts& facts,
                           const std::string& sourceName) {
  ordered_json document;
  document["Name"] = facts.displayName;
  document["Description"] = mapDescription(kind);
  document["Thresholds"] = {{"Lower", shortestDecimal(facts.lowerThreshold)},
                            {"Upper", shortestDecimal(facts.upperThreshold)}};
  document["Sources"] = ordered_json::array({sourceName});
  return dumped(document);
}

std::string timeseriesSidecarJson(double maxDeviation, double spikeDef,
                                  const std::string& sourceName) {
  ordered_json document;
  document["outlier_count"] = {
      {"LongName", "Outlier voxel count"},
      {"Description",
       "Number of non-background voxels whose value in this volume lies more "
       "than " + ordered_json(shortestDecimal(static_cast<float>(maxDeviation))).dump() +
       " standard deviations from the voxel's mean."}};
  document["spike_count"] = {
      {"LongName", "Spike voxel count"},
      {"Description",
       "Number of the outlier voxels of this volume whose standardised value "
       "also differs from the mean of its neighbouring volumes by more than " +
       ordered_json(shortestDecimal(static_cast<float>(spikeDef))).dump() + " standard deviations."}};
  document["SamplingFrequency"] = "TR";
  document["Sources"] = ordered_json::array({sourceName});
  return dumped(document);
}

std::string datasetDescriptionJson() {
  ordered_json document;
  document["Name"] = "Quorvel data-quality maps and counts";
  document["BIDSVersion"] = "1.9.0";
  document["DatasetType"] = "derivative";
  document["GeneratedBy"] = ordered_json::array(
      {{{"Name", "Quorvel"},
        {"Version", "1.2"},
        {"Description",
         "TSNR, lag 1+2 autocorrelation and largest standardised deviation "
         "maps, and per-volume outlier and spike counts"}}});
  return dumped(document);
}

bool isQuorvelDatasetDescription(const std::string& text) {
  const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
  if (document.is_discarded() || !document.is_object()) return false;
  const auto generatedBy = document.find("GeneratedBy");
  if (generatedBy == document.end() || !generatedBy->is_array()) return false;
  for (const nlohmann::json& entry : *generatedBy) {
    if (!entry.is_object()) continue;
    const auto name = entry.find("Name");
    if (name == entry.end() || !name->is_string()) continue;
    std::string lower = name->get<std::string>();
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "quorvel") return true;
  }
  return false;
}

}  // namespace quorvel::cli
