// What is wrong with damaged gzip data, in the words of `gzip -t`.
#ifndef QUORVEL_CLI_NIFTI_GZIP_DATA_H_
#define QUORVEL_CLI_NIFTI_GZIP_DATA_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel::cli {

// Runs all of the gzip data `in` (`inSize` bytes) through zlib and throws
// the input error that names their problem as gzip -t sees it (not gzip,
// damaged, CRC-32 or length check failing, cut short, followed by other
// bytes). Returns when zlib finds none.
void throwGzipProblem(const unsigned char* in, std::size_t inSize, const std::string& path);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_GZIP_DATA_H_
