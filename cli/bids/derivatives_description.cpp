#include "cli/bids/derivatives_description.h"

#include <string_view>

#include <nlohmann/json.hpp>

#include "cli/base/json_text.h"
#include "cli/base/regular_file_text.h"
#include "cli/outputs/sidecars.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// A dataset's own description is small; anything larger is not one.
constexpr std::uintmax_t kMaxDescriptionBytes = 1 << 20;

// `path` as the path of a URI: every byte but the letters, digits, "/" and
// the other characters a path segment may hold as they are ("-._~",
// "!$&'()*+,;=", ":" and "@") as %XX, so that a space, "#", "?" or "%" in a
// folder's name cannot change what the link means.
std::string uriPath(const std::string& path) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string uri;
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       std::string_view("/-._~!$&'()*+,;=:@").find(c) != std::string_view::npos;
    if (plain) {
      uri += c;
    } else {
      uri += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return uri;
}

}  // namespace

std::string sourceDatasetLink(const fs::path& bidsFolder, const fs::path& outFolder) {
  const fs::path source = fs::weakly_canonical(fs::absolute(bidsFolder));
  const fs::path out = fs::weakly_canonical(fs::absolute(outFolder));
  const fs::path inside = out.lexically_relative(source);
  if (!inside.empty() && *inside.begin() != "..") {
    return uriPath(source.lexically_relative(out).generic_string());
  }
  return "file://" + uriPath(source.generic_string());
}

std::string derivativesDescriptionJson(const fs::path& bidsFolder, const fs::path& outFolder) {
  nlohmann::ordered_json document = nlohmann::ordered_json::parse(datasetDescriptionJson());
  const std::string link = sourceDatasetLink(bidsFolder, outFolder);
  nlohmann::ordered_json source = {{"URL", link}};
  const FileText text =
      readRegularFile(bidsFolder / "dataset_description.json", kMaxDescriptionBytes);
  const nlohmann::json raw = nlohmann::json::parse(text.text, nullptr, false);
  if (!raw.is_discarded() && raw.is_object() && raw.contains("DatasetDOI") &&
      raw["DatasetDOI"].is_string()) {
    source["DOI"] = raw["DatasetDOI"];
  }
  document["SourceDatasets"] = nlohmann::ordered_json::array({source});
  document["DatasetLinks"] = {{kSourceDatasetName, link}};
  return jsonFileText(document);
}

}  // namespace quorvel::cli
