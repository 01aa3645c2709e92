// Compressing a whole buffer in memory with libdeflate: several times as
// fast as zlib's default level for output as small, and the same bytes for
// the same input in every process and thread.
#ifndef QUORVEL_CLI_COMPRESSION_DEFLATE_BUFFER_H_
#define QUORVEL_CLI_COMPRESSION_DEFLATE_BUFFER_H_

#include <string>
#include <string_view>

namespace quorvel::cli {

// What wraps the deflate stream.
enum class DeflateWrapper {
  kGzip,  // one gzip member (RFC 1952), as a .gz file holds
  kZlib,  // a zlib stream (RFC 1950), as a PNG's image data holds
};

// `bytes` compressed into one stream of the given wrapper. Throws
// std::runtime_error when the compressor cannot be made or fails.
std::string deflateBuffer(std::string_view bytes, DeflateWrapper wrapper);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMPRESSION_DEFLATE_BUFFER_H_
