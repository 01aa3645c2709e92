#include "chromium_page.h"

#include <png.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace report_test {
namespace fs = std::filesystem;
namespace {

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string unbase64(const std::string& text) {
  std::string out;
  unsigned buffer = 0;
  int bits = 0;
  for (char c : text) {
    int value;
    if (c >= 'A' && c <= 'Z')
      value = c - 'A';
    else if (c >= 'a' && c <= 'z')
      value = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      value = c - '0' + 52;
    else if (c == '+')
      value = 62;
    else if (c == '/')
      value = 63;
    else
      continue;
    buffer = (buffer << 6) | static_cast<unsigned>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((buffer >> bits) & 0xFF);
    }
  }
  return out;
}

}  // namespace

RenderedPage openInChromium(const fs::path& page, const fs::path& scratch) {
  fs::create_directories(scratch);
  const fs::path profile = scratch / "profile";
  const fs::path dom = scratch / "dom.html";
  const fs::path log = scratch / "chromium.log";
  const std::string command =
      "timeout 120 " + quoted(QUORVEL_CHROMIUM) +
      " --headless --no-sandbox --disable-gpu --disable-background-networking"
      " --disable-component-update --disable-default-apps --no-first-run"
      " --host-resolver-rules='MAP * ~NOTFOUND' --enable-logging=stderr --v=0"
      " --user-data-dir=" +
      quoted(profile.string()) + " --dump-dom " + quoted("file://" + fs::absolute(page).string()) +
      " >" + quoted(dom.string()) + " 2>" + quoted(log.string());
  RenderedPage rendered;
  const int status = std::system(command.c_str());
  rendered.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  rendered.dom = readAll(dom);
  std::istringstream lines(readAll(log));
  for (std::string line; std::getline(lines, line);) {
    if (line.find(":CONSOLE") != std::string::npos || line.find("Uncaught") != std::string::npos) {
      rendered.console.push_back(line);
    }
  }
  return rendered;
}

std::vector<std::string> attributeValues(const std::string& html, const std::string& attribute) {
  // Scanned by hand: the standard regex recurses per character and
  // overflows the stack on a data URI of a megabyte.
  std::vector<std::string> values;
  for (const char space : {' ', '\n', '\t'}) {
    const std::string key = std::string(1, space) + attribute + "=\"";
    for (std::size_t at = html.find(key); at != std::string::npos; at = html.find(key, at + 1)) {
      const std::size_t begin = at + key.size();
      const std::size_t end = html.find('"', begin);
      if (end == std::string::npos) break;
      values.push_back(html.substr(begin, end - begin));
    }
  }
  return values;
}

std::string attributeOf(const std::string& html, const std::string& elementStart,
                        const std::string& attribute) {
  const std::size_t element = html.find(elementStart);
  if (element == std::string::npos) return "";
  const std::size_t close = html.find('>', element);
  const std::vector<std::string> values =
      attributeValues(html.substr(element, close - element), attribute);
  return values.empty() ? "" : values.front();
}

std::size_t occurrences(const std::string& haystack, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = haystack.find(needle); at != std::string::npos;
       at = haystack.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}

std::size_t tracePoints(const std::string& dom, const std::string& key) {
  const std::size_t begin = dom.find("<g class=\"trace\" data-key=\"" + key + "\"");
  if (begin == std::string::npos) return 0;
  const std::string group = dom.substr(begin, dom.find("</g>", begin) - begin);
  std::size_t points = 0;
  for (const std::string& list : attributeValues(group, "points")) {
    points += static_cast<std::size_t>(std::count(list.begin(), list.end(), ','));
  }
  return points;
}

std::pair<int, int> pngSizeOfDataUri(const std::string& uri) {
  const std::string prefix = "data:image/png;base64,";
  if (uri.compare(0, prefix.size(), prefix) != 0) return {-1, -1};
  const std::string bytes = unbase64(uri.substr(prefix.size()));
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {-1, -1};
  std::pair<int, int> size{static_cast<int>(image.width), static_cast<int>(image.height)};
  png_image_free(&image);
  return size;
}

}  // namespace report_test
