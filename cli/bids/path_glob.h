// One ".gitignore" pattern matched against whole "/"-separated paths in
// time bounded by the path's length times the pattern's, with memory in
// proportion to them and no recursion: a hostile pattern of any length can
// neither exhaust the stack nor make the matching backtrack without end.
#ifndef QUORVEL_CLI_BIDS_PATH_GLOB_H_
#define QUORVEL_CLI_BIDS_PATH_GLOB_H_

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel::cli {

// A pattern of "*" (any run of characters but "/"), "?" (one character but
// "/"), "**/" (nothing, or anything that ends in "/"), any other "**"
// (anything, "/" included) and characters that stand for themselves.
class PathGlob {
 public:
  // `pattern` with its "!", leading "/" and trailing "/" taken off; an
  // unanchored pattern may also match after any "/" of a path.
  PathGlob(const std::string& pattern, bool anchored);

  // Whether the pattern matches all of `path`.
  bool matches(const std::string& path) const;

 private:
  enum class Step : unsigned char {
    kChar,          // the character `c`
    kOneInPart,     // "?"
    kRunInPart,     // "*": may be passed over, or take a character but "/"
    kRunAnywhere,   // "**": may be passed over, or take any character
    kFoldersStart,  // "**/": may be passed over; after "/" it may be again
    kFoldersInner,  // within a folder name of "**/": only "/" leads on
  };
  struct Token {
    Step step;
    char c;
  };
  void append(Step step, char c = 0);

  std::vector<Token> tokens_;
  std::size_t shortestMatch_ = 0;  // characters any matching path has
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BIDS_PATH_GLOB_H_
