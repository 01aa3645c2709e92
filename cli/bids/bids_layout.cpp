#include "cli/bids/bids_layout.h"

#include <algorithm>
#include <map>
#include <set>

#include "cli/base/sidecar_repetition_time.h"
#include "cli/bids/bids_ignore.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

bool endsWith(const std::string& text, const std::string& suffix) {
  return text.size() >= suffix.size() &&
         text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// Sorted names of the entries of `folder` that `keep` accepts.
template <typename Keep>
std::vector<std::string> entryNames(const fs::path& folder, Keep keep) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!name.empty() && name[0] != '.' && keep(*it, name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> foldersStartingWith(const fs::path& folder, const std::string& prefix) {
  return entryNames(folder, [&](const fs::directory_entry& entry, const std::string& name) {
    std::error_code error;
    return name.compare(0, prefix.size(), prefix) == 0 && entry.is_directory(error);
  });
}

bool kept(const std::vector<std::string>& labels, const std::optional<std::string>& value) {
  if (labels.empty()) return true;
  return value && std::find(labels.begin(), labels.end(), *value) != labels.end();
}

// The sidecars' merged RepetitionTime, the more specific ones overriding.
// Each sidecar is read once however many runs inherit it (`read` keeps
// what it said); what makes one unusable is noted once.
std::optional<double> repetitionTimeOf(const std::vector<fs::path>& sidecars,
                                       std::map<fs::path, SidecarRepetitionTime>& read,
                                       std::vector<std::string>& notes) {
  std::optional<double> repetitionTime;
  for (const fs::path& sidecar : sidecars) {
    auto known = read.find(sidecar);
    if (known == read.end()) {
      known = read.emplace(sidecar, readSidecarRepetitionTime(sidecar)).first;
      if (!known->second.warning.empty()) notes.push_back(known->second.warning);
    }
    if (known->second.seconds) repetitionTime = known->second.seconds;
  }
  return repetitionTime;
}

}  // namespace

std::vector<fs::path> applicableSidecars(const fs::path& bidsFolder,
                                         const std::string& relativePath) {
  const fs::path relative(relativePath);
  const std::optional<BidsName> data = parseBidsName(bidsStem(relative.filename().string()));
  if (!data) return {};
  struct Candidate {
    std::size_t depth, entityCount;
    fs::path path;
  };
  std::vector<Candidate> candidates;
  fs::path level;
  std::size_t depth = 0;
  for (auto part = relative.begin();; ++part, ++depth) {
    const fs::path folder = bidsFolder / level;
    for (const std::string& name :
         entryNames(folder, [](const fs::directory_entry&entry, const std::string&n) {
           std::error_code error;
           return endsWith(n, ".json") && entry.is_regular_file(error);
         })) {
      const std::optional<BidsName> sidecar = parseBidsName(bidsStem(name));
      // At the root a sidecar may carry no entity at all: "bold.json".
      const bool bare = bidsStem(name) == data->suffix;
      if (!bare && (!sidecar || sidecar->suffix != data->suffix)) continue;
      bool applies = true;
      if (!bare) {
        for (const auto& [key, value] : sidecar->entities) {
          applies = applies && data->value(key) == value;
        }
      }
      if (applies) {
        candidates.push_back({depth, bare ? 0 : sidecar->entities.size(), folder / name});
      }
    }
    if (std::next(part) == relative.end()) break;
    level /= *part;
  }
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     return a.depth != b.depth ? a.depth < b.depth : a.entityCount < b.entityCount;
                   });
  std::vector<fs::path> sidecars;
  sidecars.reserve(candidates.size());
  for (const Candidate& candidate : candidates) sidecars.push_back(candidate.path);
  return sidecars;
}

std::vector<BidsRun> findBoldRuns(const fs::path& bidsFolder, const RunFilter& filter,
                                  std::vector<std::string>& notes) {
  const BidsIgnore ignore = BidsIgnore::ofDataset(bidsFolder);
  std::map<fs::path, SidecarRepetitionTime> sidecarTimes;
  std::vector<BidsRun> runs;
  for (const std::string& subject : foldersStartingWith(bidsFolder, "sub-")) {
    std::vector<std::string> funcFolders;
    if (fs::is_directory(bidsFolder / subject / "func")) funcFolders.push_back(subject + "/func");
    for (const std::string& session : foldersStartingWith(bidsFolder / subject, "ses-")) {
      if (fs::is_directory(bidsFolder / subject / session / "func")) {
        funcFolders.push_back(subject + "/" + session + "/func");
      }
    }
    for (const std::string& func : funcFolders) {
      const fs::path parent = fs::path(func).parent_path();
      const std::string session =
          parent.filename().string().rfind("ses-", 0) == 0 ? parent.filename().string() : "";
      std::vector<std::string> names =
          entryNames(bidsFolder / func, [](const fs::directory_entry& entry, const std::string& n) {
            std::error_code error;
            return (endsWith(n, "_bold.nii") || endsWith(n, "_bold.nii.gz")) &&
                   !entry.is_directory(error);
          });
      names.erase(
          std::remove_if(names.begin(), names.end(),
                         [&](const std::string& n) { return ignore.ignores(func + "/" + n); }),
          names.end());
      const std::set<std::string> present(names.begin(), names.end());
      for (const std::string& name : names) {
        // One run in two files: the .nii stands for both.
        if (endsWith(name, ".gz") && present.count(name.substr(0, name.size() - 3)) != 0) continue;
        BidsRun run;
        run.relativePath = func + "/" + name;
        const std::optional<BidsName> parsed = parseBidsName(bidsStem(name));
        if (!parsed || parsed->value("sub") != subject.substr(4) ||
            parsed->value("ses") !=
                (session.empty() ? std::nullopt : std::optional(session.substr(4)))) {
          notes.push_back((bidsFolder / run.relativePath).string() +
                          ": not a BIDS name matching its folders (sub-<label>[_ses-<label>]"
                          "_..._bold); left out");
          continue;
        }
        run.name = *parsed;
        if (!kept(filter.participants, run.name.value("sub")) ||
            !kept(filter.sessions, run.name.value("ses")) ||
            !kept(filter.tasks, run.name.value("task"))) {
          continue;
        }
        run.path = bidsFolder / run.relativePath;
        if (present.count(name + ".gz") != 0) {
          run.problem = "the run is there twice, as " + name + " and " + name +
                        ".gz, which BIDS does not allow; remove one of them";
        }
        run.entitiesText = bidsStem(name).substr(0, bidsStem(name).rfind('_'));
        run.outputFolder = func;
        run.sidecars = applicableSidecars(bidsFolder, run.relativePath);
        run.repetitionTime = repetitionTimeOf(run.sidecars, sidecarTimes, notes);
        runs.push_back(std::move(run));
      }
    }
  }
  return runs;
}

}  // namespace quorvel::cli
