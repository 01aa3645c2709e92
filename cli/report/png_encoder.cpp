#include "cli/report/png_encoder.h"

#include <png.h>

#include <stdexcept>

namespace quorvel::cli::report {
namespace {

void appendToString(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), length);
}

void flushNothing(png_structp /*png*/) {}

// libpng reports errors through longjmp by default; a C++ exception would
// skip the destructors between, so errors are turned into a message and
// the longjmp path is used.
void rememberError(png_structp png, png_const_charp message) {
  auto* text = static_cast<std::string*>(png_get_error_ptr(png));
  if (text) *text = message;
  png_longjmp(png, 1);
}

void ignoreWarning(png_structp /*png*/, png_const_charp /*message*/) {}

}  // namespace

std::string encodePng(const RasterImage& image) {
  if (image.width <= 0 || image.height <= 0 || (image.channels != 1 && image.channels != 3) ||
      image.pixels.size() !=
          static_cast<std::size_t>(image.width) * image.height * image.channels) {
    throw std::runtime_error("a report picture of " + std::to_string(image.width) + " x " +
                             std::to_string(image.height) + " pixels is malformed");
  }
  std::string out;
  std::string error;
  png_structp png =
      png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, rememberError, ignoreWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, nullptr);
    throw std::runtime_error("libpng could not start an image");
  }
  // Nothing with a destructor lives between here and the end of libpng's use.
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng failed: " + error);
  }
  png_set_write_fn(png, &out, appendToString, flushNothing);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
               static_cast<png_uint_32>(image.height), 8,
               image.channels == 1 ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // The fastest level: half the time of the default level for files a few
  // per cent larger; the report must stay cheap beside the analysis.
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
  for (int y = 0; y < image.height; ++y) {
    png_write_row(png, const_cast<png_bytep>(image.pixels.data() + y * stride));
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

std::string base64(const std::string& bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned n = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += kAlphabet[(n >> 6) & 63];
    out += kAlphabet[n & 63];
  }
  const std::size_t rest = bytes.size() - i;
  if (rest > 0) {
    unsigned n = static_cast<unsigned char>(bytes[i]) << 16;
    if (rest == 2) n |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    out += kAlphabet[(n >> 18) & 63];
    out += kAlphabet[(n >> 12) & 63];
    out += rest == 2 ? kAlphabet[(n >> 6) & 63] : '=';
    out += '=';
  }
  return out;
}

std::string pngDataUri(const RasterImage& image) {
  return "data:image/png;base64," + base64(encodePng(image));
}

}  // namespace quorvel::cli::report
