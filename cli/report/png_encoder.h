// PNG encoding of the report's pictures, compressed with libdeflate.
#ifndef QUORVEL_CLI_REPORT_PNG_ENCODER_H_
#define QUORVEL_CLI_REPORT_PNG_ENCODER_H_

#include <string>

#include "cli/report/raster_image.h"

namespace quorvel::cli::report {

// The bytes of a PNG file holding `image` (grey or RGB, 8 bits). Throws a
// std::runtime_error when the image is malformed or cannot be compressed.
std::string encodePng(const RasterImage& image);

// "data:image/png;base64,..." for `image`, to embed in a page.
std::string pngDataUri(const RasterImage& image);

// Standard base64 (RFC 4648) of `bytes`, padded with '='.
std::string base64(const std::string& bytes);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_PNG_ENCODER_H_
