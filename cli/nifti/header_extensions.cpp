#include "cli/nifti/header_extensions.h"

#include <cstring>
#include <utility>

#include "cli/base/cli_error.h"

namespace quorvel::cli {

void checkHeaderExtensions(const NiftiHeader& header, const ReadBytesAt& read,
                           const std::string& path) {
  const std::uint64_t flagAt = header.version == 1 ? 348 : 540;
  const std::uint64_t end = static_cast<std::uint64_t>(header.voxOffset);
  unsigned char flag[4];
  read(flagAt, flag, sizeof flag);
  if (flag[0] == 0) return;
  // Fewer bytes than the smallest extension may pad the space to the
  // samples; they are not an extension.
  std::uint64_t at = flagAt + sizeof flag;
  for (int index = 1; end >= at && end - at >= 16; ++index) {
    unsigned char raw[4];
    read(at, raw, sizeof raw);
    if (header.swapped) std::swap(raw[0], raw[3]), std::swap(raw[1], raw[2]);
    std::int32_t esize;
    std::memcpy(&esize, raw, sizeof esize);
    if (esize < 16 || esize % 16 != 0 || static_cast<std::uint64_t>(esize) > end - at) {
      throw inputError(path + ": header extension " + std::to_string(index) + " at byte " +
                       std::to_string(at) + " has esize " + std::to_string(esize) +
                       "; an extension takes a multiple of 16 bytes, at least 16, and ends by "
                       "vox_offset " +
                       std::to_string(end) + " (a damaged header)");
    }
    at += static_cast<std::uint64_t>(esize);
  }
}

}  // namespace quorvel::cli
