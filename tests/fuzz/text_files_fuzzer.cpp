// Writes arbitrary bytes as an MDM file and as a GUI script, then reads the
// one and rewrites the other: neither may crash, overrun the list, or lose
// lines of the script.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "dialog/analysis_settings.h"
#include "dialog/gui_script_rewrite.h"
#include "dialog/mdm_reader.h"
#include "dialog/setting_lines.h"

namespace {

std::string writeTemporaryFile(const char* name, const std::uint8_t* data, std::size_t size) {
  const char* folder = std::getenv("TMPDIR");
  const std::string path = std::string(folder ? folder : "/tmp") + "/" + name;
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

std::size_t countNewlines(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::size_t count = 0;
  for (char c; file.get(c);) count += c == '\n';
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string mdm = writeTemporaryFile("quorvel-fuzz.mdm", data, size);
  const std::size_t capacity = 256;
  std::vector<char> list(capacity + 16, '#');
  list[0] = '\0';
  quorvel::appendMDMPathsToFileList(quorvel::HostFunctions{}, mdm, list.data(), capacity);
  for (std::size_t i = capacity; i < list.size(); ++i) {
    if (list[i] != '#') std::abort();
  }

  const std::string script = writeTemporaryFile("quorvel-fuzz.js", data, size);
  const std::size_t linesBefore = countNewlines(script);
  quorvel::AnalysisSettings settings;
  settings.maxDeviation = 4;
  settings.spikeDef = 3;
  quorvel::rewriteGUIScript(quorvel::HostFunctions{}, script, quorvel::makeSettingLines(settings));
  if (countNewlines(script) != linesBefore) std::abort();  // lines lost
  std::remove(mdm.c_str());
  std::remove(script.c_str());
  return 0;
}
