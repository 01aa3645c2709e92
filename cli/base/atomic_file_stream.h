// A file written a piece at a time that still appears complete or not at
// all: a long run's per-volume table or log goes to disk as it is made
// instead of being held whole first.
#ifndef QUORVEL_CLI_BASE_ATOMIC_FILE_STREAM_H_
#define QUORVEL_CLI_BASE_ATOMIC_FILE_STREAM_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvel::cli {

// How a file's bytes are made sure of before it is renamed into place.
enum class FileCheck {
  kSync,      // flushed to disk
  kReadBack,  // read back and compared, not waiting for the disk (a
              // staging folder flushes its files when it is committed)
};

// Bytes written through a buffer to a temporary file beside `finalPath`
// (see temporaryPathFor), put in place by commit(). Every failure throws a
// run error naming `finalPath` and the failed step, and leaves nothing
// behind; so does destroying the stream before commit().
class AtomicFileStream {
 public:
  // Creates the temporary file; throws when it cannot be made.
  AtomicFileStream(std::filesystem::path finalPath, FileCheck check);
  ~AtomicFileStream();

  AtomicFileStream(const AtomicFileStream&) = delete;
  AtomicFileStream& operator=(const AtomicFileStream&) = delete;

  // Appends `bytes` to the file.
  void write(std::string_view bytes);

  // Writes what is buffered, checks the file as asked and renames it onto
  // the final path.
  void commit();

 private:
  // Writes the buffer out, then empties it.
  void drain();
  // Writes `bytes` to the file, and reads them back when asked.
  void writeOut(std::string_view bytes);
  // Closes and removes the temporary file, then throws the run error of
  // `step` (with the text of `savedErrno` when not 0).
  [[noreturn]] void fail(const std::string& step, int savedErrno);

  std::filesystem::path finalPath_;
  std::filesystem::path temporary_;
  FileCheck check_;
  int fd_ = -1;
  std::size_t written_ = 0;  // bytes in the file so far
  std::string buffer_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_ATOMIC_FILE_STREAM_H_
