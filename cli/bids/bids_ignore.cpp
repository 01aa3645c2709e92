#include "cli/bids/bids_ignore.h"

#include <fstream>
#include <sstream>

namespace quorvel::cli {
namespace {

// The regular expression of one pattern, for whole "/"-separated paths.
std::string regexOf(const std::string& pattern, bool anchored) {
  std::string regex = anchored ? "" : "(.*/)?";
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*' && i + 1 < pattern.size() && pattern[i + 1] == '*') {
      const bool slashFollows = i + 2 < pattern.size() && pattern[i + 2] == '/';
      regex += slashFollows ? "(.*/)?" : ".*";
      i += slashFollows ? 2 : 1;
    } else if (c == '*') {
      regex += "[^/]*";
    } else if (c == '?') {
      regex += "[^/]";
    } else if (std::string("\\^$.|+()[]{}").find(c) != std::string::npos) {
      regex += std::string("\\") + c;
    } else {
      regex += c;
    }
  }
  return regex;
}

}  // namespace

BidsIgnore::BidsIgnore(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    Pattern pattern{std::regex(), false, false};
    if (line[0] == '!') {
      pattern.negated = true;
      line.erase(0, 1);
    }
    if (!line.empty() && line.back() == '/') {
      pattern.foldersOnly = true;
      line.pop_back();
    }
    const bool anchored = line.find('/') != std::string::npos;
    if (!line.empty() && line[0] == '/') line.erase(0, 1);
    if (line.empty()) continue;
    pattern.regex = std::regex(regexOf(line, anchored));
    patterns_.push_back(std::move(pattern));
  }
}

BidsIgnore BidsIgnore::ofDataset(const std::filesystem::path& bidsFolder) {
  std::ifstream in(bidsFolder / ".bidsignore", std::ios::binary);
  std::ostringstream text;
  if (in) text << in.rdbuf();
  return BidsIgnore(text.str());
}

bool BidsIgnore::matchesLast(const std::string& path, bool isFolder, bool current) const {
  for (const Pattern& pattern : patterns_) {
    if (pattern.foldersOnly && !isFolder) continue;
    if (std::regex_match(path, pattern.regex)) current = !pattern.negated;
  }
  return current;
}

bool BidsIgnore::ignores(const std::string& relativePath) const {
  if (patterns_.empty()) return false;
  // A folder that is ignored takes everything in it along.
  for (std::size_t slash = relativePath.find('/'); slash != std::string::npos;
       slash = relativePath.find('/', slash + 1)) {
    if (matchesLast(relativePath.substr(0, slash), true, false)) return true;
  }
  return matchesLast(relativePath, false, false);
}

}  // namespace quorvel::cli
