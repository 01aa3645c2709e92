#include "cli/outputs/mask_file.h"

#include <vector>

#include "cli/nifti/nifti_output.h"

namespace quorvel::cli {

void writeBrainMask(const nifti_image& runHeader, const VoxelMask& mask,
                    const std::filesystem::path& finalPath) {
  // The map image's geometry, with its samples turned into bytes.
  const std::vector<float> values(mask.begin(), mask.end());
  BorrowingImagePtr image = mapImage(runHeader, values, "brain mask", finalPath);
  std::vector<std::uint8_t> bytes(mask.begin(), mask.end());
  image->datatype = DT_UINT8;
  image->nbyper = 1;
  image->data = bytes.data();
  writeNiftiAtomically(*image, finalPath);
}

}  // namespace quorvel::cli
