#include "cli/report/png_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string_view>

#include "cli/compression/deflate_buffer.h"

// libpng cannot hand its compression to another deflater, and zlib's took
// most of a page's time; libdeflate does it several times as fast, so the
// file is put together here: signature, header, image data and end chunks.
namespace quorvel::cli::report {
namespace {

// Image data goes into chunks of at most this many bytes, as readers that
// hold a whole chunk expect.
constexpr std::size_t kDataChunk = std::size_t{1} << 20;

void appendBigEndian(std::string& out, std::uint32_t value) {
  out += static_cast<char>(value >> 24);
  out += static_cast<char>(value >> 16);
  out += static_cast<char>(value >> 8);
  out += static_cast<char>(value);
}

// Appends a chunk: its length, type, data and the CRC-32 of type and data.
void appendChunk(std::string& out, const char type[4], std::string_view data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.append(type, 4);
  out.append(data);
  const auto* checked = reinterpret_cast<const Bytef*>(out.data() + typeAt);
  appendBigEndian(
      out, static_cast<std::uint32_t>(crc32_z(crc32_z(0, nullptr, 0), checked, 4 + data.size())));
}

}  // namespace

std::string encodePng(const RasterImage& image) {
  if (image.width <= 0 || image.height <= 0 || (image.channels != 1 && image.channels != 3) ||
      image.pixels.size() !=
          static_cast<std::size_t>(image.width) * image.height * image.channels) {
    throw std::runtime_error("a report picture of " + std::to_string(image.width) + " x " +
                             std::to_string(image.height) + " pixels is malformed");
  }
  // The colour pictures (mosaics, colour bars) are runs of a few colours,
  // which the deflater finds best unfiltered. A grey carpet of slowly
  // changing rows can shrink by a tenth with the Sub filter (the difference
  // to the pixel on the left), so it is also tried that way and the smaller
  // kept. Far cheaper than libpng's row by row choice through zlib.
  const std::size_t stride = static_cast<std::size_t>(image.width) * image.channels;
  const std::size_t pixelBytes = static_cast<std::size_t>(image.channels);
  std::string rows((stride + 1) * static_cast<std::size_t>(image.height), '\0');
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(rows.data() + y * (stride + 1) + 1, image.pixels.data() + y * stride, stride);
  }
  std::string compressed = deflateBuffer(rows, DeflateWrapper::kZlib);
  if (image.channels == 1) {
    for (int y = 0; y < image.height; ++y) {
      const std::uint8_t* row = image.pixels.data() + y * stride;
      char* out = rows.data() + y * (stride + 1);
      out[0] = 1;  // Sub
      for (std::size_t x = 0; x < stride; ++x) {
        out[1 + x] = static_cast<char>(row[x] - (x >= pixelBytes ? row[x - pixelBytes] : 0));
      }
    }
    std::string withSub = deflateBuffer(rows, DeflateWrapper::kZlib);
    if (withSub.size() < compressed.size()) compressed.swap(withSub);
  }

  std::string header;
  appendBigEndian(header, static_cast<std::uint32_t>(image.width));
  appendBigEndian(header, static_cast<std::uint32_t>(image.height));
  header += '\x08';                                 // bits per sample
  header += image.channels == 1 ? '\x00' : '\x02';  // grey or RGB
  header.append(3, '\0');                           // deflate, adaptive filtering, not interlaced
  std::string out("\x89PNG\r\n\x1a\n", 8);
  out.reserve(out.size() + compressed.size() + 64);
  appendChunk(out, "IHDR", header);
  for (std::size_t at = 0; at < compressed.size(); at += kDataChunk) {
    appendChunk(
        out, "IDAT",
        std::string_view(compressed).substr(at, std::min(kDataChunk, compressed.size() - at)));
  }
  appendChunk(out, "IEND", {});
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
