#include "dialog/gui_script_rewrite.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "host/host_text.h"
#include "host/process_id.h"

namespace quorvel {
namespace fs = std::filesystem;
namespace {

// Reads every line of a text file, without its line end. Every read counts,
// so a file ending with a line end gives a last, empty line and an empty
// file gives one empty line. False when the file cannot be opened or read.
bool readLines(const fs::path& path, std::vector<std::string>& lines) {
  std::ifstream file(path);
  if (!file.is_open()) return false;
  std::string line;
  for (;;) {
    std::getline(file, line);
    if (file.bad()) return false;
    lines.push_back(line);
    if (file.eof()) return true;
    if (file.fail()) return false;
  }
}

std::string withoutSpaces(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

// Index of the first key found in `line`, or -1.
int findKey(const std::string& line, const std::vector<std::string>& keys) {
  const std::string compared = withoutSpaces(line);
  for (std::size_t k = 0; k < keys.size(); ++k)
    if (compared.find(keys[k]) != std::string::npos) return static_cast<int>(k);
  return -1;
}

// Writes `lines` to `path`, a line end after every line but the last.
bool writeLines(const fs::path& path, const std::vector<std::string>& lines) {
  std::ofstream file(path, std::ios::out | std::ios::trunc);
  if (!file.is_open()) return false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    file << lines[i];
    if (i + 1 < lines.size()) file << '\n';
  }
  file.close();
  return !file.fail();
}

// Puts `lines` in place of the file at `path` through a temporary file in
// the same folder, so that the file holds either its old or its new text.
bool replaceFileContents(const fs::path& path,
                         const std::vector<std::string>& lines) {
  std::error_code error;
  fs::path target = path;
  if (fs::is_symlink(path, error)) {
    const fs::path resolved = fs::canonical(path, error);
    if (error) return false;
    target = resolved;
  }
  // A script the user may not write to stays as it is.
  if (!std::ofstream(target, std::ios::out | std::ios::app).is_open())
    return false;

  const fs::path temporary = temporaryScriptPath(target.string());
  // A leftover temporary file, or a link planted under its name, goes
  // first, so that the new text never lands anywhere but beside the script.
  fs::remove(temporary, error);

  if (!writeLines(temporary, lines)) {
    fs::remove(temporary, error);
    return false;
  }
  const fs::file_status status = fs::status(target, error);
  if (!error) fs::permissions(temporary, status.permissions(), error);
  fs::rename(temporary, target, error);
  if (error) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

}  // namespace

std::string temporaryScriptPath(const std::string& scriptPath) {
  return scriptPath + ".saving." + std::to_string(currentProcessId());
}

int rewriteGUIScript(const HostFunctions& host, const std::string& scriptPath,
                     const std::vector<SettingLine>& settingLines) {
  std::vector<std::string> keys;
  keys.reserve(settingLines.size());
  for (const SettingLine& setting : settingLines)
    keys.push_back(withoutSpaces(setting.searchKey));

  int replaced = 0;
  std::vector<std::string> lines;
  if (!readLines(scriptPath, lines)) {
    logText(host, "File could not be opened for reading");
  } else {
    for (std::string& line : lines) {
      const int key = findKey(line, keys);
      if (key < 0) continue;
      const SettingLine& setting = settingLines[static_cast<std::size_t>(key)];
      if (setting.replacement.empty()) continue;
      line = setting.replacement;
      ++replaced;
    }
    if (!replaceFileContents(scriptPath, lines)) {
      logText(host, "File could not be opened for writing");
      replaced = 0;
    }
  }
  logFormatted(host, "%i lines were replaced in %s", replaced,
               scriptPath.c_str());
  return replaced;
}

}  // namespace quorvel
