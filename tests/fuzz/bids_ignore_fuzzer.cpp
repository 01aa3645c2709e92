// Arbitrary bytes as a ".bidsignore" and a path: the verdict must come at
// once whatever the lines hold (any length, any run of stars), and on
// short patterns it must be the one their regular expression gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>

#include "cli/bids/bids_ignore.h"
#include "cli/bids/path_glob.h"
#include "tests/support/glob_regex.h"

namespace {

using namespace quorvel::cli;

// The bytes as characters that mean something to a pattern, so that the
// fuzzer meets stars, slashes and escaped characters often.
std::string inSmallAlphabet(const std::string& bytes) {
  static const char kAlphabet[] = "ab/*?.";
  std::string text;
  for (const char c : bytes) text += kAlphabet[static_cast<unsigned char>(c) % 6];
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The text before the first NUL is the file, the rest the path.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::size_t split = input.find('\0');
  const std::string text = input.substr(0, split);
  const std::string path =
      split == std::string::npos ? "sub-01/func/sub-01_task-a_bold.nii" : input.substr(split + 1);
  BidsIgnore(text).ignores(path);

  // Short enough that the regular expression's backtracking stays quick.
  if (text.size() <= 10 && path.size() <= 20) {
    const std::string pattern = inSmallAlphabet(text), subject = inSmallAlphabet(path);
    const bool anchored = !text.empty() && (static_cast<unsigned char>(text[0]) & 0x80) != 0;
    const std::regex reference(quorvel::test_support::globRegex(pattern, anchored));
    if (PathGlob(pattern, anchored).matches(subject) != std::regex_match(subject, reference)) {
      std::abort();
    }
  }
  return 0;
}
