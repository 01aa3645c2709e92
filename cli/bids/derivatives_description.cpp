#include "cli/bids/derivatives_description.h"

#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/base/json_text.h"
#include "cli/outputs/sidecars.h"

namespace quorvel::cli {
namespace fs = std::filesystem;

std::string sourceDatasetLink(const fs::path& bidsFolder, const fs::path& outFolder) {
  const fs::path source = fs::weakly_canonical(fs::absolute(bidsFolder));
  const fs::path out = fs::weakly_canonical(fs::absolute(outFolder));
  const fs::path inside = out.lexically_relative(source);
  if (!inside.empty() && *inside.begin() != "..") {
    return source.lexically_relative(out).generic_string();
  }
  return "file://" + source.generic_string();
}

std::string derivativesDescriptionJson(const fs::path& bidsFolder, const fs::path& outFolder) {
  nlohmann::ordered_json document = nlohmann::ordered_json::parse(datasetDescriptionJson());
  const std::string link = sourceDatasetLink(bidsFolder, outFolder);
  nlohmann::ordered_json source = {{"URL", link}};
  std::ifstream in(bidsFolder / "dataset_description.json", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  const nlohmann::json raw = nlohmann::json::parse(text.str(), nullptr, false);
  if (!raw.is_discarded() && raw.is_object() && raw.contains("DatasetDOI") &&
      raw["DatasetDOI"].is_string()) {
    source["DOI"] = raw["DatasetDOI"];
  }
  document["SourceDatasets"] = nlohmann::ordered_json::array({source});
  document["DatasetLinks"] = {{kSourceDatasetName, link}};
  return jsonFileText(document);
}

}  // namespace quorvel::cli
