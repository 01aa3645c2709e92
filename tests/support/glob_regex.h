// The regular expression a ".gitignore" pattern stands for, written the
// plain way: the reference that the path matcher is held to by the tests
// and the fuzzer, on patterns and paths short enough for backtracking.
#ifndef QUORVEL_TESTS_SUPPORT_GLOB_REGEX_H_
#define QUORVEL_TESTS_SUPPORT_GLOB_REGEX_H_

#include <string>

namespace quorvel::test_support {

// An ECMAScript regular expression for whole paths: "**/" is "(.*/)?",
// another "**" is ".*", "*" is "[^/]*", "?" is "[^/]"; an unanchored
// pattern may begin after any "/".
inline std::string globRegex(const std::string& pattern, bool anchored) {
  std::string regex = anchored ? "" : "(.*/)?";
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern.compare(i, 3, "**/") == 0) {
      regex += "(.*/)?";
      i += 2;
    } else if (pattern.compare(i, 2, "**") == 0) {
      regex += ".*";
      i += 1;
    } else if (pattern[i] == '*') {
      regex += "[^/]*";
    } else if (pattern[i] == '?') {
      regex += "[^/]";
    } else {
      if (std::string("\\^$.|+()[]{}").find(pattern[i]) != std::string::npos) regex += '\\';
      regex += pattern[i];
    }
  }
  return regex;
}

}  // namespace quorvel::test_support

#endif  // QUORVEL_TESTS_SUPPORT_GLOB_REGEX_H_
