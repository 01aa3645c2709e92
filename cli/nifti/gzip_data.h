// Decompression of a whole .nii.gz file held in memory: every gzip member,
// each checked against its CRC-32 and length as `gzip -t` checks them.
#ifndef QUORVEL_CLI_NIFTI_GZIP_DATA_H_
#define QUORVEL_CLI_NIFTI_GZIP_DATA_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvel::cli {

// Decompressed bytes; `size` of them are valid.
struct InflatedBytes {
  std::unique_ptr<unsigned char[]> data;
  std::size_t size = 0;
};

// The first `count` decompressed bytes of the gzip data `in` (`inSize`
// bytes), or all of them when there are fewer; nothing past them is
// decompressed or checked. Throws an input error naming `path` when the
// data are not gzip or are damaged before that point.
InflatedBytes inflateGzipStart(const unsigned char* in, std::size_t inSize,
                               std::size_t count, const std::string& path);

// Decompresses all of the gzip data `in` (one or more members, then
// nothing or zero padding), checking each member's CRC-32 and length.
// Keeps the first `wanted` bytes (fewer when the data hold fewer). Throws an
// input error naming `path` when the data are not gzip, damaged, cut short,
// followed by other bytes, or too large for memory.
InflatedBytes inflateGzip(const unsigned char* in, std::size_t inSize,
                          std::uint64_t wanted, const std::string& path);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_GZIP_DATA_H_
