#include "cli/outputs/map_files.h"

#include <exception>
#include <future>

#include "cli/nifti/nifti_output.h"
#include "cli/outputs/atomic_file.h"

namespace quorvel::cli {

void writeMapFiles(const nifti_image& runHeader, const std::vector<MapFiles>& maps,
                   bool sideBySide) {
  const auto writeOne = [&runHeader](const MapFiles& map) {
    writeMapImage(runHeader, *map.values, map.description, map.image);
    writeCheckedFileAtomically(map.sidecar, map.sidecarText);
  };
  if (!sideBySide || maps.size() < 2) {
    for (const MapFiles& map : maps) writeOne(map);
    return;
  }
  // The first map on this thread, the others beside it. Every one is
  // waited for before any error leaves: none may still be writing into a
  // folder its caller then removes.
  std::vector<std::future<void>> others;
  for (std::size_t k = 1; k < maps.size(); ++k) {
    others.push_back(std::async(std::launch::async, writeOne, std::cref(maps[k])));
  }
  std::exception_ptr failure;
  try {
    writeOne(maps[0]);
  } catch (...) {
    failure = std::current_exception();
  }
  for (std::future<void>& other : others) {
    try {
      other.get();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quorvel::cli
