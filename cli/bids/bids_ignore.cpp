#include "cli/bids/bids_ignore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "cli/base/cli_error.h"

namespace quorvel::cli {
namespace {

// More than any list of patterns a person writes, yet small to hold.
constexpr std::uintmax_t kMaxBidsIgnoreBytes = std::uintmax_t{64} << 20;

// The text of `path`, "" when there is no such file. It is opened without
// blocking and checked through the opened descriptor, so that a pipe there
// never stalls the listing and a device is never read.
std::string bidsIgnoreText(const std::filesystem::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) return "";
  if (fd < 0) {
    throw inputError(path.string() + ": cannot be opened for reading (" + std::strerror(errno) +
                     ")");
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat status {};
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    throw inputError(path.string() +
                     ": not a regular file; the patterns of a dataset are read "
                     "only from one");
  }
  std::string text;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      throw inputError(path.string() + ": could not be read to its end (" + std::strerror(errno) +
                       ")");
    }
    if (got == 0) return text;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kMaxBidsIgnoreBytes) {
      throw inputError(path.string() + ": larger than " +
                       std::to_string(kMaxBidsIgnoreBytes >> 20) +
                       " MiB, far beyond any list of patterns; it is not read");
    }
  }
}

}  // namespace

BidsIgnore::BidsIgnore(const std::string& text) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const bool negated = line[0] == '!';
    if (negated) line.erase(0, 1);
    const bool foldersOnly = !line.empty() && line.back() == '/';
    if (foldersOnly) line.pop_back();
    const bool anchored = line.find('/') != std::string::npos;
    if (!line.empty() && line[0] == '/') line.erase(0, 1);
    if (line.empty()) continue;
    patterns_.push_back({PathGlob(line, anchored), negated, foldersOnly});
  }
}

BidsIgnore BidsIgnore::ofDataset(const std::filesystem::path& bidsFolder) {
  return BidsIgnore(bidsIgnoreText(bidsFolder / ".bidsignore"));
}

bool BidsIgnore::matchesLast(const std::string& path, bool isFolder, bool otherwise) const {
  // The last matching line wins, so the search runs from the end and stops
  // at the first match: a long list of lines that all match costs one.
  for (auto pattern = patterns_.rbegin(); pattern != patterns_.rend(); ++pattern) {
    if (pattern->foldersOnly && !isFolder) continue;
    if (pattern->glob.matches(path)) return !pattern->negated;
  }
  return otherwise;
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
