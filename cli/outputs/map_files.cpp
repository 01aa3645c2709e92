#include "cli/outputs/map_files.h"

#include <exception>
#include <future>
#include <system_error>

#include "cli/nifti/nifti_output.h"
#include "cli/outputs/atomic_file.h"

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
  // no thread (none is to be had) is written here too. Every one is waited
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
  std::size_t beside = 1;
  for (; beside < maps.size(); ++beside) {
    try {
      others.push_back(std::async(std::launch::async, writeNoted, beside));
    } catch (const std::system_error&) {
      break;
    }
  }
  writeNoted(0);
  for (std::size_t k = beside; k < maps.size(); ++k) writeNoted(k);
  for (std::future<void>& other : others) other.get();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace quorvel::cli
