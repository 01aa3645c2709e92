// The paths a BIDS dataset's ".bidsignore" leaves out, with the pattern
// rules of a ".gitignore": "*" and "?" within a path part, "**" across
// parts, a leading "/" or an inner "/" anchors at the dataset's root, a
// trailing "/" matches folders, "!" takes a path back, the last matching
// line wins, and whatever lies in an ignored folder is ignored.
#ifndef QUORVEL_CLI_BIDS_BIDS_IGNORE_H_
#define QUORVEL_CLI_BIDS_BIDS_IGNORE_H_

#include <filesystem>
#include <string>
#include <vector>

#include "cli/bids/path_glob.h"

namespace quorvel::cli {

// The patterns of one ".bidsignore".
class BidsIgnore {
 public:
  // Patterns from the text of a ".bidsignore" (one per line; blank lines
  // and lines starting with "#" are skipped).
  explicit BidsIgnore(const std::string& text);

  // The patterns of `bidsFolder`/.bidsignore; none when it has no such file.
  // Throws an input error naming the file when it is there but cannot be
  // read, is not a regular file, or is too large to be a list of patterns.
  static BidsIgnore ofDataset(const std::filesystem::path& bidsFolder);

  // Whether `relativePath` (from the dataset's root, "/"-separated) is
  // ignored, itself or through one of its folders.
  bool ignores(const std::string& relativePath) const;

 private:
  struct Pattern {
    PathGlob glob;
    bool negated;
    bool foldersOnly;
  };
  // The verdict of the last pattern that matches `path`, which is a folder
  // or not; `otherwise` when none does.
  bool matchesLast(const std::string& path, bool isFolder, bool otherwise) const;

  std::vector<Pattern> patterns_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_BIDS_IGNORE_H_
