#include "cli/outputs/map_files.h"

#include <exception>
#include <future>

#include "cli/base/atomic_file.h"
#include "cli/base/work_beside.h"
#include "cli/nifti/nifti_output.h"

namespace quorvel::cli {

void writeMapFiles(const nifti_image& runHeader, const std::vector<MapFiles>& maps, bool sideBySide,
                   MapFileParts parts) {
  const auto writeOne = [&runHeader, parts](const MapFiles& map) {
    if (parts != MapFileParts::kSidecar) {
      writeMapImage(runHeader, *map.values, map.description, map.image);
    }
    if (parts != MapFileParts::kImage) writeCheckedFileAtomically(map.sidecar, map.sidecarText);
  };
  if (!sideBySide || maps.size() < 2) {
    for (const MapFiles& map : maps) writeOne(map);
    return;
  }
  // The first map on this thread, the others beside it; a map that gets
  // no thread (none is to be had) is written here too, in turn. Every one is waited
  // for before any error leaves, none may still be writing into a folder
  // its caller then removes, and the error told is the first map's.
  std::vector<std::exception_ptr> failures(maps.size());
  const auto writeNoted = [&](std::size_t k) {
    try {
      writeOne(maps[k]);
    } catch (...) {
      failures[k] = std::current_exception();
    }
  };
  std::vector<std::future<void>> others;
  for (std::size_t k = 1; k < maps.size(); ++k) {
    others.push_back(startBeside(true, [&writeNoted, k] { writeNoted(k); }));
  }
  writeNoted(0);
  for (std::future<void>& other : others) other.get();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace quorvel::cli
