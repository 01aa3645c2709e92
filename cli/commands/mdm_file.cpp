#include "cli/commands/mdm_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>
#include <system_error>

#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// The whole MDM file. It is opened without blocking and checked through the
// opened descriptor, so a pipe never stalls the command and a device such
// as /dev/zero is never read.
std::string readMdmText(const std::string& mdmPath) {
  const int fd = ::open(mdmPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) throw inputError(mdmPath + ": no such MDM file");
    throw inputError(mdmPath + ": the MDM file cannot be opened for reading (" +
                     std::strerror(errno) + ")");
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat status {};
  if (::fstat(fd, &status) != 0) {
    throw inputError(mdmPath + ": the MDM file cannot be examined (" + std::strerror(errno) + ")");
  }
  if (S_ISDIR(status.st_mode)) throw inputError(mdmPath + ": is a folder, not an MDM file");
  if (!S_ISREG(status.st_mode)) {
    throw inputError(mdmPath +
                     ": is not a regular file (a device, pipe or socket); "
                     "an MDM file is read only from a regular file");
  }
  const auto tooLarge = [&] {
    return inputError(mdmPath + ": the MDM file is larger than " +
                      std::to_string(kMaxMdmFileSize >> 20) +
                      " MiB, far beyond any design; it is not read");
  };
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxMdmFileSize) throw tooLarge();
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      throw inputError(mdmPath + ": the MDM file could not be read to its end (" +
                       std::strerror(errno) + ")");
    }
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
    // A file that grows while it is read is held to the same limit.
    if (text.size() > kMaxMdmFileSize) throw tooLarge();
  }
}

}  // namespace

std::vector<std::string> mdmRunPaths(const std::string& text, const fs::path& folder) {
  std::vector<std::string> runs;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] != '"') continue;
    std::string::size_type close = line.find('"', 1);
    if (close == std::string::npos || close == 1) continue;
    fs::path run = line.substr(1, close - 1);
    if (run.is_relative()) run = folder / run;
    runs.push_back(run.string());
  }
  return runs;
}

std::vector<std::string> readMdmRunPaths(const std::string& mdmPath) {
  std::vector<std::string> runs =
      mdmRunPaths(readMdmText(mdmPath), fs::path(mdmPath).parent_path());
  // The system would read such a path only up to the NUL: another file,
  // and every message naming it would end there too.
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].find('\0') != std::string::npos) {
      throw inputError(mdmPath + ": the path of run " + std::to_string(i + 1) +
                       " holds a NUL byte, which no file name can hold");
    }
  }
  std::string unusable;
  std::size_t unusableCount = 0;
  for (const std::string& run : runs) {
    std::error_code error;
    const fs::file_type type = fs::status(run, error).type();
    if (type == fs::file_type::regular) continue;
    ++unusableCount;
    unusable += "\n  " + run +
                (type == fs::file_type::not_found ? ": does not exist"
                 : error                          ? ": cannot be examined (" + error.message() + ")"
                         : ": not a regular file (a folder, pipe, device or socket)");
  }
  if (unusableCount > 0) {
    throw inputError(mdmPath + ": names " + std::to_string(unusableCount) +
                     " run(s) that are not files to read:" + unusable);
  }
  if (runs.empty()) {
    throw inputError(mdmPath + ": names no run (no line begins with a quoted path)");
  }
  return runs;
}

std::string mdmTextNaming(const std::vector<std::string>& vtcPaths) {
  std::string text =
      "FileVersion:          3\n"
      "TypeOfFunctionalData: VTC\n"
      "NrOfStudies:          " +
      std::to_string(vtcPaths.size()) + "\n";
  for (const std::string& path : vtcPaths) text += "\"" + path + "\"\n";
  return text;
}

}  // namespace quorvel::cli
