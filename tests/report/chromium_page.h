// A page opened in the real headless Chromium: the DOM after its scripts
// ran, and whatever it wrote to the console or threw.
#ifndef QUORVEL_TESTS_REPORT_CHROMIUM_PAGE_H_
#define QUORVEL_TESTS_REPORT_CHROMIUM_PAGE_H_

#include <filesystem>
#include <string>
#include <vector>

namespace report_test {

struct RenderedPage {
  int exitStatus = -1;
  std::string dom;                   // serialised DOM after loading
  std::vector<std::string> console;  // console messages and uncaught errors
};

// Opens `page` (a file) in headless Chromium with a fresh profile in
// `scratch`, background networking off and every host name unresolvable,
// and dumps its DOM.
RenderedPage openInChromium(const std::filesystem::path& page,
                            const std::filesystem::path& scratch);

// Every value of the attribute `attribute` in `html` ("src", "href", ...).
std::vector<std::string> attributeValues(const std::string& html, const std::string& attribute);

// The value of `attribute` in the first element of `html` that begins
// with `elementStart` (e.g. "<image class=\"carpet"); "" when none.
std::string attributeOf(const std::string& html, const std::string& elementStart,
                        const std::string& attribute);

// How many times `needle` occurs in `haystack`.
std::size_t occurrences(const std::string& haystack, const std::string& needle);

// Points of the polylines of the trace panel whose data-key is `key`.
std::size_t tracePoints(const std::string& dom, const std::string& key);

// Width and height of the PNG in a "data:image/png;base64," URI; -1 when
// it is not one.
std::pair<int, int> pngSizeOfDataUri(const std::string& uri);

}  // namespace report_test

#endif  // QUORVEL_TESTS_REPORT_CHROMIUM_PAGE_H_
