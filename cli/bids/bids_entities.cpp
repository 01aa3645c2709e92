#include "cli/bids/bids_entities.h"

#include <algorithm>

namespace quorvel::cli {
namespace {

bool isAlphanumeric(const std::string& text) {
  if (text.empty()) return false;
  return std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

// The entity keys of BIDS in the order its file names carry them.
constexpr const char* kEntityOrder[] = {
    "sub",       "ses",   "sample", "task", "tracksys", "acq",   "nuc",   "voi",
    "ce",        "trc",   "stain",  "rec",  "dir",      "run",   "mod",   "echo",
    "flip",      "inv",   "mt",     "part", "proc",     "hemi",  "space", "split",
    "recording", "chunk", "seg",    "res",  "den",      "label", "desc"};

std::size_t rankOf(const std::string& key) {
  const auto begin = std::begin(kEntityOrder), end = std::end(kEntityOrder);
  return static_cast<std::size_t>(
      std::find_if(begin, end, [&](const char* known) { return key == known; }) - begin);
}

}  // namespace

std::optional<std::string> BidsName::value(const std::string& key) const {
  for (const auto& [k, v] : entities) {
    if (k == key) return v;
  }
  return std::nullopt;
}

std::optional<BidsName> parseBidsName(const std::string& stem) {
  BidsName name;
  std::string::size_type start = 0;
  while (start <= stem.size()) {
    const std::string::size_type end = std::min(stem.find('_', start), stem.size());
    const std::string part = stem.substr(start, end - start);
    const std::string::size_type dash = part.find('-');
    if (dash != std::string::npos && isAlphanumeric(part.substr(0, dash)) &&
        isAlphanumeric(part.substr(dash + 1))) {
      name.entities.emplace_back(part.substr(0, dash), part.substr(dash + 1));
    } else if (end == stem.size() && isAlphanumeric(part) && !name.entities.empty()) {
      name.suffix = part;
    } else {
      return std::nullopt;
    }
    start = end + 1;
  }
  if (name.entities.empty()) return std::nullopt;
  return name;
}

std::string bidsStem(const std::string& fileName) { return fileName.substr(0, fileName.find('.')); }

void sortEntityKeys(std::vector<std::string>& keys) {
  std::stable_sort(keys.begin(), keys.end(), [](const std::string& a, const std::string& b) {
    const std::size_t ra = rankOf(a), rb = rankOf(b);
    return ra != rb ? ra < rb : a < b;
  });
}

std::vector<std::string> withoutPrefixes(const std::vector<std::string>& labels,
                                         const std::string& prefix) {
  std::vector<std::string> bare;
  bare.reserve(labels.size());
  for (const std::string& label : labels) {
    bare.push_back(label.compare(0, prefix.size(), prefix) == 0 ? label.substr(prefix.size())
                                                                : label);
  }
  return bare;
}

}  // namespace quorvel::cli
