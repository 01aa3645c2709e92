// The chain of extensions that may lie between a single-file NIfTI header
// and its samples. The command uses none of them, but a chain whose sizes
// cannot be is a damaged header, refused rather than read past.
#ifndef QUORVEL_CLI_NIFTI_HEADER_EXTENSIONS_H_
#define QUORVEL_CLI_NIFTI_HEADER_EXTENSIONS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "cli/nifti/nifti_header.h"

namespace quorvel::cli {

// Reads `count` bytes at byte `position` of the file (or decompressed
// stream) into `into`; positions asked for only grow.
using ReadBytesAt =
    std::function<void(std::uint64_t position, unsigned char* into, std::size_t count)>;

// Checks, when the extension flag after the header is set, that every
// extension up to vox_offset has an esize that is a multiple of 16, at
// least 16, and ends by vox_offset. Throws an input error naming `path`,
// the extension and its esize.
void checkHeaderExtensions(const NiftiHeader& header, const ReadBytesAt& read,
                           const std::string& path);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_HEADER_EXTENSIONS_H_
