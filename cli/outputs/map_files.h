// The files of a run's maps: each map's image and its sidecar, written one
// after another or side by side.
#ifndef QUORVEL_CLI_OUTPUTS_MAP_FILES_H_
#define QUORVEL_CLI_OUTPUTS_MAP_FILES_H_

#include <filesystem>
#include <string>
#include <vector>

#include "cli/nifti/nifti_image_handle.h"

namespace quorvel::cli {

// One map to write: its values (which must outlive the writing), the
// image's description, and where the image and the sidecar go.
struct MapFiles {
  const std::vector<float>* values = nullptr;
  std::string description;
  std::filesystem::path image;
  std::filesystem::path sidecar;
  std::string sidecarText;
};

// Which files of each map to write.
enum class MapFileParts { kImageAndSidecar, kImage, kSidecar };

// Writes each map's image on the grid of `runHeader` and its sidecar (or
// only the `parts` asked for), in order, or each map on a thread of its
// own when `sideBySide`; the files are the same either way. Returns when
// every map is done. Throws the run error of the first map, in order, that
// could not be written, naming its file; no temporary file is left, and
// the maps written stay for the caller to keep or discard.
void writeMapFiles(const nifti_image& runHeader, const std::vector<MapFiles>& maps, bool sideBySide,
                   MapFileParts parts = MapFileParts::kImageAndSidecar);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_MAP_FILES_H_
