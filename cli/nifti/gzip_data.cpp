#include "cli/nifti/gzip_data.h"

#include <zlib.h>

#include <algorithm>

#include "cli/base/cli_error.h"

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
  bool cutShort = false;    // the input ended inside a member
  std::string problem;      // zlib's word for damaged data
  std::size_t garbage = 0;  // bytes after the last member that are not padding
};

// Decompresses the members of `in` with zlib, keeping nothing: zlib tells
// which problem damaged data have, where the fast decompressor only fails.
ZlibPass zlibInflate(const unsigned char* in, std::size_t inSize) {
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
    if (stream.avail_in == 0) {
      const std::size_t piece = std::min(kPiece, inSize - consumed);
      stream.next_in = const_cast<unsigned char*>(in + consumed);
      stream.avail_in = static_cast<uInt>(piece);
      consumed += piece;
    }
    stream.next_out = scratch;
    stream.avail_out = static_cast<uInt>(sizeof scratch);
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
    throw inputError(path +
                     ": the image data are truncated (the compressed data end "
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

}  // namespace

void throwGzipProblem(const unsigned char* in, std::size_t inSize, const std::string& path) {
  if (!startsMember(in, inSize)) throw notGzip(path);
  throwIfFailed(zlibInflate(in, inSize), path);
}

}  // namespace quorvel::cli
