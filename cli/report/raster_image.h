// An 8-bit picture in memory, as the report's PNG encoder takes it.
#ifndef QUORVEL_CLI_REPORT_RASTER_IMAGE_H_
#define QUORVEL_CLI_REPORT_RASTER_IMAGE_H_

#include <cstdint>
#include <vector>

namespace quorvel::cli::report {

// Rows from the top, pixels from the left; `channels` bytes per pixel:
// 1 for grey, 3 for RGB.
struct RasterImage {
  int width = 0;
  int height = 0;
  int channels = 3;
  std::vector<std::uint8_t> pixels;  // width * height * channels bytes

  // A picture of the given size filled with zero bytes (black).
  static RasterImage blank(int width, int height, int channels) {
    RasterImage image;
    image.width = width;
    image.height = height;
    image.channels = channels;
    image.pixels.assign(static_cast<std::size_t>(width) * height * channels, 0);
    return image;
  }
  // The first byte of the pixel at column x, row y.
  std::uint8_t* at(int x, int y) {
    return pixels.data() + (static_cast<std::size_t>(y) * width + x) * channels;
  }
};

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_RASTER_IMAGE_H_
