#include "cli/nifti/gzip_data.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <limits>
#include <new>

#include "cli/commands/cli_error.h"

namespace quorvel::cli {
namespace {

bool startsMember(const unsigned char* in, std::size_t size) {
  return size >= 2 && in[0] == 0x1f && in[1] == 0x8b;
}

bool allZero(const unsigned char* in, std::size_t size) {
  return std::all_of(in, in + size, [](unsigned char b) { return b == 0; });
}

CliError notGzip(const std::string& path) {
  return inputError(path + ": not gzip data, although the name ends in .gz");
}

CliError trailingGarbage(const std::string& path, std::size_t bytes) {
  return inputError(path + ": " + std::to_string(bytes) +
                    " bytes of something else follow the compressed data (a damaged or "
                    "appended-to file; gzip -t fails on it)");
}

// What zlib made of the data: how many bytes it produced in all, and the
// problem when it stopped early.
struct ZlibPass {
  std::uint64_t produced = 0;
  bool cutShort = false;   // the input ended inside a member
  std::string problem;     // zlib's word for damaged data
  std::size_t garbage = 0; // bytes after the last member that are not padding
};

// Decompresses the members of `in` with zlib, keeping the first `keep` bytes
// in `out`. With `stopWhenKept` it stops as soon as those are there.
// zlib is slower than libdeflate but streams, so it serves for the header
// alone, for data larger than the header foretold, and for naming the
// problem of data libdeflate refused.
ZlibPass zlibInflate(const unsigned char* in, std::size_t inSize, unsigned char* out,
                     std::size_t keep, bool stopWhenKept) {
  ZlibPass pass;
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) {
    pass.problem = "zlib could not start";
    return pass;
  }
  unsigned char scratch[1 << 16];
  std::size_t consumed = 0;
  constexpr std::size_t kPiece = 1u << 30;  // zlib counts in 32 bits
  for (;;) {
    if (stopWhenKept && pass.produced >= keep) break;
    if (stream.avail_in == 0) {
      const std::size_t piece = std::min(kPiece, inSize - consumed);
      stream.next_in = const_cast<unsigned char*>(in + consumed);
      stream.avail_in = static_cast<uInt>(piece);
      consumed += piece;
    }
    const bool keeping = pass.produced < keep;
    stream.next_out = keeping ? out + pass.produced : scratch;
    stream.avail_out = static_cast<uInt>(
        keeping ? std::min<std::uint64_t>(keep - pass.produced, kPiece) : sizeof scratch);
    const uInt before = stream.avail_out;
    const int status = inflate(&stream, Z_NO_FLUSH);
    pass.produced += before - stream.avail_out;
    if (status == Z_STREAM_END) {
      const std::size_t position = consumed - stream.avail_in;
      const std::size_t rest = inSize - position;
      if (rest == 0 || allZero(in + position, rest)) break;
      if (!startsMember(in + position, rest)) {
        pass.garbage = rest;
        break;
      }
      inflateReset(&stream);
      continue;
    }
    if (status == Z_BUF_ERROR && stream.avail_in == 0 && consumed == inSize) {
      pass.cutShort = true;
      break;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
      pass.problem = stream.msg != nullptr ? stream.msg : "damaged data";
      break;
    }
  }
  inflateEnd(&stream);
  return pass;
}

// Turns the outcome of a zlib pass into the user's message, if it failed.
void throwIfFailed(const ZlibPass& pass, const std::string& path) {
  if (pass.cutShort) {
    throw inputError(path + ": the image data are truncated (the compressed data end "
                            "before the end of their stream; gzip -t fails on it)");
  }
  if (!pass.problem.empty()) {
    std::string what = pass.problem;
    if (what == "incorrect data check") what = "the CRC-32 check fails";
    if (what == "incorrect length check") what = "the length check fails";
    throw inputError(path + ": the compressed data are damaged (" + what +
                     "; gzip -t fails on it)");
  }
  if (pass.garbage != 0) throw trailingGarbage(path, pass.garbage);
}

unsigned char* allocate(std::uint64_t bytes, const std::string& path) {
  if (bytes > std::numeric_limits<std::size_t>::max() / 2) {
    throw inputError(path + ": too large to decompress in memory");
  }
  unsigned char* data = new (std::nothrow) unsigned char[bytes == 0 ? 1 : bytes];
  if (data == nullptr) {
    throw inputError(path + ": too large to decompress in memory (" +
                     std::to_string(bytes) + " bytes)");
  }
  return data;
}

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

}  // namespace

InflatedBytes inflateGzipStart(const unsigned char* in, std::size_t inSize,
                               std::size_t count, const std::string& path) {
  if (!startsMember(in, inSize)) throw notGzip(path);
  InflatedBytes result;
  result.data.reset(allocate(count, path));
  const ZlibPass pass = zlibInflate(in, inSize, result.data.get(), count, true);
  result.size = static_cast<std::size_t>(std::min<std::uint64_t>(pass.produced, count));
  if (result.size < count) throwIfFailed(pass, path);
  return result;
}

InflatedBytes inflateGzip(const unsigned char* in, std::size_t inSize,
                          std::uint64_t wanted, const std::string& path) {
  if (!startsMember(in, inSize) || inSize < 18) throw notGzip(path);
  // libdeflate writes a member in one go, so the buffer must hold it all.
  // The last member's trailer gives its length modulo 2^32; when the data
  // run past the wanted bytes by a little, room is made for that too.
  const std::uint32_t lastLength = static_cast<std::uint32_t>(in[inSize - 4]) |
                                   static_cast<std::uint32_t>(in[inSize - 3]) << 8 |
                                   static_cast<std::uint32_t>(in[inSize - 2]) << 16 |
                                   static_cast<std::uint32_t>(in[inSize - 1]) << 24;
  const std::uint32_t excess = lastLength - static_cast<std::uint32_t>(wanted);
  const std::uint64_t capacity = wanted + (excess <= (64u << 20) ? excess : 0);
  InflatedBytes result;
  result.data.reset(allocate(capacity, path));

  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor(
      libdeflate_alloc_decompressor());
  if (!decompressor) throw inputError(path + ": out of memory for decompression");
  std::size_t position = 0, produced = 0;
  for (;;) {
    std::size_t used = 0, made = 0;
    const libdeflate_result status = libdeflate_gzip_decompress_ex(
        decompressor.get(), in + position, inSize - position, result.data.get() + produced,
        capacity - produced, &used, &made);
    if (status == LIBDEFLATE_INSUFFICIENT_SPACE) {
      // More data than foreseen (several large members, or samples beyond
      // the image): zlib streams through them, keeping what is wanted.
      const ZlibPass pass = zlibInflate(in, inSize, result.data.get(), capacity, false);
      throwIfFailed(pass, path);
      result.size = static_cast<std::size_t>(std::min<std::uint64_t>(pass.produced, capacity));
      return result;
    }
    if (status != LIBDEFLATE_SUCCESS) {
      // libdeflate says only "bad data"; zlib tells which problem it is.
      std::unique_ptr<unsigned char[]> scratch(allocate(0, path));
      throwIfFailed(zlibInflate(in, inSize, scratch.get(), 0, false), path);
      throw inputError(path + ": the compressed data are damaged (gzip -t fails on it)");
    }
    position += used;
    produced += made;
    const std::size_t rest = inSize - position;
    if (rest == 0 || allZero(in + position, rest)) break;
    if (!startsMember(in + position, rest)) throw trailingGarbage(path, rest);
  }
  result.size = produced;
  return result;
}

}  // namespace quorvel::cli
