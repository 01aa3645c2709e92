// Streaming decompression of a .nii.gz file: the bytes of every gzip
// member in turn, read from the file a piece at a time, so that neither
// the compressed file nor a decompressed copy of the run is ever held
// whole. Each member is checked against its CRC-32 and length.
#ifndef QUORVEL_CLI_NIFTI_GZIP_READER_H_
#define QUORVEL_CLI_NIFTI_GZIP_READER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quorvel::cli {

class GzipReader {
 public:
  // Reads the gzip data of the open file `fd` (`fileSize` bytes) known to
  // the user as `path`. Throws an input error when they are not gzip.
  GzipReader(int fd, std::uint64_t fileSize, const std::string& path);
  ~GzipReader();
  GzipReader(const GzipReader&) = delete;
  GzipReader& operator=(const GzipReader&) = delete;

  // Decompresses the next `count` bytes into `out` (nullptr: skips them).
  // Returns how many there were: fewer only where the data end. Throws an
  // input error naming the file and the problem when the data are damaged,
  // cut short or followed by something else.
  std::size_t read(unsigned char* out, std::size_t count);

  // Decompresses and checks whatever is left, keeping none of it.
  void finish();

  // Decompressed bytes handed out or skipped so far.
  std::uint64_t produced() const { return produced_; }

 private:
  struct State;
  bool refill();
  [[noreturn]] void fail();
  bool startNextMember();

  int fd_;
  std::uint64_t fileSize_;
  std::string path_;
  std::uint64_t consumed_ = 0;  // file bytes handed to the decompressor
  std::uint64_t produced_ = 0;
  bool ended_ = false;  // no further member
  std::unique_ptr<unsigned char[]> input_;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_GZIP_READER_H_
