#include "cli/outputs/sidecars.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <system_error>

#include <nlohmann/json.hpp>

#include "cli/base/json_text.h"
#include "cli/base/regular_file_text.h"

namespace quorvel::cli {
namespace {

using nlohmann::ordered_json;

// Larger than any dataset_description.json quorvel writes.
constexpr std::uintmax_t kMaxOwnDescriptionBytes = 1 << 20;

// The float as the shortest decimal that reads back as it, so 0.3f shows
// as 0.3 rather than as its exact binary value.
double shortestDecimal(float value) {
  char text[32];
  auto result = std::to_chars(text, text + sizeof text, value);
  return std::strtod(std::string(text, result.ptr).c_str(), nullptr);
}

// What makes the run's maps or counts meaningless, for tools reading the
// sidecars; left out when there is nothing to say.
void addWarnings(ordered_json& document, const std::vector<std::string>& warnings) {
  if (!warnings.empty()) document["Warnings"] = warnings;
}

}  // namespace

std::string mapSidecarJson(MapKind kind, const MapFacts& facts, const std::string& sourceName,
                           const AnalysisParameters& parameters,
                           const std::vector<std::string>& warnings) {
  ordered_json document;
  document["Name"] = facts.displayName;
  document["Description"] = mapDescription(kind);
  document["Thresholds"] = {{"Lower", shortestDecimal(facts.lowerThreshold)},
                            {"Upper", shortestDecimal(facts.upperThreshold)}};
  document["Sources"] = ordered_json::array({sourceName});
  document["Parameters"] = parametersJson(parameters);
  addWarnings(document, warnings);
  return jsonFileText(document);
}

std::string timeseriesSidecarJson(const AnalysisParameters& parameters,
                                  const std::string& sourceName,
                                  const std::vector<std::string>& warnings, bool standardIqms) {
  const double maxDeviation = parameters.dialog.maxDeviation;
  const double spikeDef = parameters.dialog.spikeDef;
  ordered_json document;
  document["outlier_count"] = {
      {"LongName", "Outlier voxel count"},
      {"Description",
       "Number of non-background voxels whose value in this volume lies more "
       "than " +
           ordered_json(shortestDecimal(static_cast<float>(maxDeviation))).dump() +
           " standard deviations from the voxel's mean."},
      {"Units", "voxels"}};
  document["spike_count"] = {
      {"LongName", "Spike voxel count"},
      {"Description",
       "Number of the outlier voxels of this volume whose standardised value "
       "also differs from the mean of its neighbouring volumes by more than " +
           ordered_json(shortestDecimal(static_cast<float>(spikeDef))).dump() +
           " standard deviations."},
      {"Units", "voxels"}};
  document["outlier_fraction"] = {
      {"LongName", "Outlier fraction"},
      {"Description",
       "outlier_count divided by the number of voxels analysed (those whose "
       "mean exceeds 100); n/a when the plug-in reported no counts or no voxel "
       "was analysed."},
      {"Units", "proportion (0 to 1)"}};
  document["dvars"] = {{"LongName", "DVARS"},
                       {"Description",
                        "Root mean square, over the voxels analysed, of the change of each "
                        "voxel's value from the previous volume; n/a for the first volume."},
                       {"Units", "intensity units of the run (after --scale)"}};
  document["std_dvars"] = {{"LongName", "Standardised DVARS"},
                           {"Description",
                            "dvars divided by its expected value when every voxel follows an AR(1) "
                            "process: the mean over the voxels analysed of the robust standard "
                            "deviation (interquartile range / 1.349) times sqrt(2 (1 - phi)), phi "
                            "being the voxel's lag-1 autocorrelation. About 1 for a quiet volume; "
                            "n/a for the first volume."},
                           {"Units", "ratio (no unit)"}};
  document["global_signal"] = {
      {"LongName", "Global signal"},
      {"Description", "Mean of the volume's values over the voxels analysed."},
      {"Units", "intensity units of the run (after --scale)"}};
  if (standardIqms) {
    document["non_steady_state"] = {
        {"LongName", "Non-steady-state volume"},
        {"Description",
         "1 for the volumes at the start taken before the scanner reached a steady state "
         "(the IQM file's dummy), which every IQM leaves out; else 0."},
        {"Levels", {{"0", "steady state"}, {"1", "before steady state"}}}};
    document["aor"] = {
        {"LongName", "AFNI's fraction of outliers per volume"},
        {"Description",
         "Share of the brain mask's voxels whose value in this volume lies further from the "
         "voxel's median over the steady-state volumes than 3dToutcount's threshold (a normal "
         "quantile times sqrt(pi/2) times the voxel's MAD)."},
        {"Units", "proportion (0 to 1)"}};
    document["aqi"] = {
        {"LongName", "AFNI's quality index"},
        {"Description",
         "1 minus the Spearman correlation of this volume with the median volume over the "
         "steady-state volumes, over the voxels above the median volume's clip level "
         "(3dTqual -automask); small is good."},
        {"Units", "1 - correlation (no unit)"}};
  }
  // Head motion: every volume realigned rigidly to the run's reference
  // volume (docs/quality-numbers.md says how).
  const char* axes[] = {"x", "y", "z"};
  for (int a = 0; a < 3; ++a) {
    document[std::string("trans_") + axes[a]] = {
        {"LongName", std::string("Translation along ") + axes[a]},
        {"Description", std::string("Movement of the head along the image's ") + axes[a] +
                            " voxel axis from the reference volume; n/a when the motion "
                            "could not be estimated."},
        {"Units", "mm"}};
  }
  for (int a = 0; a < 3; ++a) {
    document[std::string("rot_") + axes[a]] = {
        {"LongName", std::string("Rotation about ") + axes[a]},
        {"Description", std::string("Rotation of the head about the image's ") + axes[a] +
                            " voxel axis through the grid's centre, from the reference volume "
                            "(the rotation is Rx Ry Rz); n/a when the motion could not be "
                            "estimated."},
        {"Units", "rad"}};
  }
  document["framewise_displacement"] = {
      {"LongName", "Framewise displacement"},
      {"Description",
       "Sum of the absolute changes of the six parameters from the previous volume, the "
       "rotations as arc lengths on a 50 mm sphere (Power et al. 2012); n/a for the first "
       "volume and when the motion could not be estimated."},
      {"Units", "mm"}};
  document["SamplingFrequency"] = "TR";
  document["Sources"] = ordered_json::array({sourceName});
  document["Parameters"] = parametersJson(parameters);
  addWarnings(document, warnings);
  return jsonFileText(document);
}

std::string datasetDescriptionJson() {
  ordered_json document;
  document["Name"] = "Quorvel data-quality maps and counts";
  document["BIDSVersion"] = "1.9.0";
  document["DatasetType"] = "derivative";
  document["GeneratedBy"] =
      ordered_json::array({{{"Name", "Quorvel"},
                            {"Version", "1.2"},
                            {"Description",
                             "TSNR, lag 1+2 autocorrelation and largest standardised deviation "
                             "maps, and per-volume outlier and spike counts"}}});
  return jsonFileText(document);
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

bool isJsonText(const std::string& text) {
  try {
    (void)ordered_json(text).dump();
    return true;
  } catch (const ordered_json::type_error&) {
    return false;
  }
}

std::string shownAsText(const std::string& text) {
  const std::string quoted =
      ordered_json(text).dump(-1, ' ', false, ordered_json::error_handler_t::replace);
  return ordered_json::parse(quoted).get<std::string>();
}

bool mayReplaceDatasetDescription(const std::filesystem::path& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::symlink_status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return true;
  if (status.type() != std::filesystem::file_type::regular) return false;
  // The description quorvel writes is a few hundred bytes; a larger file
  // is a study's own.
  const FileText text = readRegularFile(path, kMaxOwnDescriptionBytes);
  return text.problem.empty() && isQuorvelDatasetDescription(text.text);
}

}  // namespace quorvel::cli
