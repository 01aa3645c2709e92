#include "cli/outputs/stale_temporaries.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/base/atomic_file.h"
#include "cli/base/cli_error.h"
#include "cli/outputs/output_stage.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

// What a name left by a quorvel process is.
enum class Leftover { kStaging, kCompleteStaging, kFile };

struct ParsedName {
  Leftover kind;
  long pid;
};

// The process id of `text` when it is all digits, in the range of ids.
std::optional<long> processIdOf(const std::string& text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  const long pid = std::stol(text);
  return pid > 0 ? std::optional<long>(pid) : std::nullopt;
}

std::optional<ParsedName> parseLeftover(const std::string& name) {
  // The plug-in's temporary files: its CSV file's, and the GUI script's.
  for (const std::string prefix : {".quorvel-csv.saving.", "Quorvel1_0.js.saving."}) {
    if (name.rfind(prefix, 0) != 0) continue;
    const auto pid = processIdOf(name.substr(prefix.size()));
    if (pid) return ParsedName{Leftover::kFile, *pid};
    return std::nullopt;
  }
  const std::string prefix = kTemporaryPrefix;
  if (name.rfind(prefix, 0) != 0) return std::nullopt;
  std::string::size_type end = prefix.size();
  while (end < name.size() && name[end] >= '0' && name[end] <= '9') ++end;
  const auto pid = processIdOf(name.substr(prefix.size(), end - prefix.size()));
  if (!pid) return std::nullopt;
  const std::string rest = name.substr(end);
  if (rest.empty()) return ParsedName{Leftover::kStaging, *pid};
  if (rest == ".ready") return ParsedName{Leftover::kCompleteStaging, *pid};
  if (rest[0] == '-') return ParsedName{Leftover::kFile, *pid};
  return std::nullopt;
}

// Whether the process `pid` still runs on this machine. This process's own
// id counts as gone: nothing of this call exists before it clears.
bool stillRuns(long pid) {
  if (pid == static_cast<long>(::getpid())) return false;
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

void clearStaleTemporaries(const fs::path& folder, const std::vector<std::string>& inputs,
                           std::ostream& err) {
  std::vector<std::pair<fs::path, ParsedName>> stale;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    const auto parsed = parseLeftover(entry.path().filename().string());
    if (parsed && !stillRuns(parsed->pid)) stale.emplace_back(entry.path(), *parsed);
  }
  int removed = 0;
  for (const auto& [path, leftover] : stale) {
    std::error_code ignored;
    const fs::file_type type = fs::symlink_status(path, ignored).type();
    const bool isFolder = type == fs::file_type::directory;
    if (leftover.kind == Leftover::kFile && isFolder) continue;
    if (leftover.kind != Leftover::kFile && !isFolder) continue;
    if (leftover.kind == Leftover::kCompleteStaging) {
      if (!finishLeftoverStage(path, folder, inputs, err)) continue;
      err << "quorvel: " << folder.string() << ": put in place the outputs of quorvel process "
          << leftover.pid << ", which was stopped while moving them there\n";
    }
    if (fs::remove_all(path, ignored) > 0 && leftover.kind != Leftover::kCompleteStaging) {
      ++removed;
    }
  }
  if (removed > 0) {
    err << "quorvel: " << folder.string() << ": removed " << removed
        << " temporary file(s) or folder(s) left by quorvel processes that were stopped "
           "before their end\n";
  }
}

}  // namespace quorvel::cli
