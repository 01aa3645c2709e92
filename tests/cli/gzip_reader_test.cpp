// The streaming gzip reader on members larger than 4 GiB, whose length the
// gzip trailer keeps only modulo 2^32 and which the decompressor cannot take
// in one 32-bit piece. The file is built from one flushed deflate piece of
// zeros repeated, so it stays a few megabytes on disk.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cli/base/cli_error.h"
#include "cli/nifti/gzip_reader.h"
#include "cli_test_support.h"
#include "nifti_bytes.h"

namespace quorvel::cli {
namespace {

using cli_test::deflated;
using cli_test::TempFolder;
using cli_test::writeFile;

constexpr std::uint64_t kZeroPiece = std::uint64_t{64} << 20;
constexpr int kZeroPieces = 65;  // 4 GiB and 64 MiB of zeros
const std::string kTail = "the bytes after the 4 GiB mark";

void appendLittleEndian32(std::string& out, std::uint64_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

// One gzip member holding kZeroPieces * 64 MiB zeros and then kTail; its
// trailer's length is `lengthDelta` off the true length modulo 2^32.
std::string hugeMember(std::int64_t lengthDelta = 0) {
  const std::string zeros = deflated(std::string(kZeroPiece, '\0'), 1, -15, Z_FULL_FLUSH);
  const uLong zerosCrc =
      crc32(0, reinterpret_cast<const Bytef*>(std::string(kZeroPiece, '\0').data()),
            static_cast<uInt>(kZeroPiece));
  std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
  uLong crc = 0;
  for (int i = 0; i < kZeroPieces; ++i) {
    out += zeros;
    crc = crc32_combine(crc, zerosCrc, static_cast<z_off_t>(kZeroPiece));
  }
  out += deflated(kTail, 1, -15, Z_FINISH);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(kTail.data()), static_cast<uInt>(kTail.size()));
  const std::uint64_t length = kZeroPieces * kZeroPiece + kTail.size();
  appendLittleEndian32(out, crc);
  appendLittleEndian32(out,
                       static_cast<std::uint64_t>(static_cast<std::int64_t>(length) + lengthDelta));
  return out;
}

// What reading a whole file gives: the bytes produced, the last ones, and
// the error when there was one.
struct ReadResult {
  std::uint64_t produced = 0;
  std::string last;
  std::string error;
};

ReadResult readWhole(const std::string& path) {
  ReadResult result;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) throw std::runtime_error("cannot open " + path);
  const off_t size = ::lseek(fd, 0, SEEK_END);
  try {
    GzipReader reader(fd, static_cast<std::uint64_t>(size), path);
    // Over 4 GiB in one call: the reader must split it for the decompressor.
    const std::uint64_t skip = kZeroPieces * kZeroPiece - 8;
    if (reader.read(nullptr, skip) == skip) {
      std::vector<unsigned char> end(64);
      const std::size_t got = reader.read(end.data(), end.size());
      result.last.assign(end.begin(), end.begin() + static_cast<std::ptrdiff_t>(got));
    }
    reader.finish();
    result.produced = reader.produced();
  } catch (const std::exception& e) {
    result.error = e.what();
  }
  ::close(fd);
  return result;
}

TEST(GzipReaderOver4GiB, ReadsEveryByteAndChecksTheLengthModulo2To32) {
  TempFolder folder;
  const std::string good = folder.file("good.nii.gz");
  const std::string twoMembers = folder.file("two_members.nii.gz");
  const std::string wrongLength = folder.file("wrong_length.nii.gz");
  const std::string member = hugeMember();
  writeFile(good, member);
  writeFile(twoMembers, member + cli_test::gzipped("next"));
  writeFile(wrongLength, hugeMember(std::int64_t{1} << 32 | 1));

  const std::string expectedEnd = std::string(8, '\0') + kTail;
  const std::uint64_t length = kZeroPieces * kZeroPiece + kTail.size();

  const ReadResult one = readWhole(good);
  EXPECT_EQ(one.error, "");
  EXPECT_EQ(one.last, expectedEnd);
  EXPECT_EQ(one.produced, length);

  const ReadResult two = readWhole(twoMembers);
  EXPECT_EQ(two.error, "");
  EXPECT_EQ(two.last, expectedEnd + "next");
  EXPECT_EQ(two.produced, length + 4);

  // A trailer whose length is off (by 2^32 + 1 here) is refused, naming the
  // file and the check.
  const ReadResult damaged = readWhole(wrongLength);
  EXPECT_NE(damaged.error.find(wrongLength + ": the compressed data are damaged (the length check"),
            std::string::npos)
      << damaged.error;
}

}  // namespace
}  // namespace quorvel::cli
