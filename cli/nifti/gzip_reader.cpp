#include "cli/nifti/gzip_reader.h"

#include <isa-l/igzip_lib.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "cli/base/cli_error.h"
#include "cli/nifti/gzip_data.h"

namespace quorvel::cli {
namespace {

// Compressed bytes read from the file at a time.
constexpr std::size_t kInputBytes = std::size_t{1} << 22;
// Decompressed bytes asked for per call: the decompressor counts in 32 bits.
constexpr std::size_t kMaxPiece = std::size_t{1} << 30;

}  // namespace

struct GzipReader::State {
  inflate_state inflate{};
};

GzipReader::GzipReader(int fd, std::uint64_t fileSize, const std::string& path)
    : fd_(fd),
      fileSize_(fileSize),
      path_(path),
      input_(new unsigned char[kInputBytes]),
      state_(new State) {
  unsigned char magic[2] = {0, 0};
  if (fileSize_ < 2 || ::pread(fd_, magic, 2, 0) != 2 || magic[0] != 0x1f || magic[1] != 0x8b) {
    throw inputError(path_ + ": not gzip data, although the name ends in .gz");
  }
  isal_inflate_init(&state_->inflate);
  state_->inflate.crc_flag = ISAL_GZIP;
}

GzipReader::~GzipReader() = default;

// Hands the decompressor the next piece of the file; false at its end.
bool GzipReader::refill() {
  inflate_state& s = state_->inflate;
  if (s.avail_in != 0) return true;
  if (consumed_ >= fileSize_) return false;
  const std::size_t want =
      static_cast<std::size_t>(std::min<std::uint64_t>(kInputBytes, fileSize_ - consumed_));
  std::size_t got = 0;
  while (got < want) {
    const ssize_t n =
        ::pread(fd_, input_.get() + got, want - got, static_cast<off_t>(consumed_ + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw inputError(path_ + ": cannot be read (" + std::strerror(errno) + ")");
    if (n == 0) break;  // the file shrank while being read
    got += static_cast<std::size_t>(n);
  }
  if (got == 0) return false;
  consumed_ += got;
  s.next_in = input_.get();
  s.avail_in = static_cast<std::uint32_t>(got);
  return true;
}

// Damaged data: the whole file goes through zlib once, which names the
// problem as gzip -t would; the fast decompressor only says that it failed.
void GzipReader::fail() {
  void* at = ::mmap(nullptr, static_cast<std::size_t>(fileSize_), PROT_READ, MAP_PRIVATE, fd_, 0);
  if (at != MAP_FAILED) {
    try {
      throwGzipProblem(static_cast<const unsigned char*>(at), static_cast<std::size_t>(fileSize_),
                       path_);
    } catch (...) {
      ::munmap(at, static_cast<std::size_t>(fileSize_));
      throw;
    }
    ::munmap(at, static_cast<std::size_t>(fileSize_));
  }
  throw inputError(path_ + ": the compressed data are damaged (gzip -t fails on it)");
}

// After a member's end: starts the next one, or ends the data when only
// zero padding (or nothing) follows. Anything else is an error.
bool GzipReader::startNextMember() {
  inflate_state& s = state_->inflate;
  // Zero padding may end the data; a member must follow right away.
  bool padded = false;
  for (;;) {
    while (s.avail_in != 0 && *s.next_in == 0) {
      ++s.next_in;
      --s.avail_in;
      padded = true;
    }
    if (s.avail_in != 0) break;
    if (!refill()) return false;
  }
  if (padded) fail();
  const std::uint64_t position = consumed_ - s.avail_in;
  if (*s.next_in == 0x1f) {
    unsigned char second = 0;
    if (s.avail_in >= 2) {
      second = s.next_in[1];
    } else if (::pread(fd_, &second, 1, static_cast<off_t>(position + 1)) != 1) {
      second = 0;
    }
    if (second == 0x8b) {
      unsigned char* next = s.next_in;
      const std::uint32_t avail = s.avail_in;
      isal_inflate_reset(&s);
      s.crc_flag = ISAL_GZIP;
      s.next_in = next;
      s.avail_in = avail;
      return true;
    }
  }
  // Padding followed by something else: gzip -t refuses it, and so does
  // zlib, which also words the message.
  fail();
}

std::size_t GzipReader::read(unsigned char* out, std::size_t count) {
  inflate_state& s = state_->inflate;
  unsigned char scratch[1 << 16];
  std::size_t done = 0;
  while (done < count && !ended_) {
    if (s.block_state == ISAL_BLOCK_FINISH) {
      if (!startNextMember()) {
        ended_ = true;
        break;
      }
    }
    // At the file's end the decompressor may still hold bits of the member.
    if (s.avail_in == 0) refill();
    const std::size_t piece = std::min(count - done, out != nullptr ? kMaxPiece : sizeof scratch);
    s.next_out = out != nullptr ? out + done : scratch;
    s.avail_out = static_cast<std::uint32_t>(piece);
    const int status = isal_inflate(&s);
    const std::size_t made = piece - s.avail_out;
    done += made;
    produced_ += made;
    if (status != ISAL_DECOMP_OK) fail();
    if (made == 0 && s.avail_in == 0 && s.block_state != ISAL_BLOCK_FINISH && !refill()) {
      fail();  // the data end inside a member
    }
  }
  return done;
}

void GzipReader::finish() {
  while (!ended_) read(nullptr, std::size_t{1} << 20);
}

}  // namespace quorvel::cli
