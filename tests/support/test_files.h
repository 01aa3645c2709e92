// Temporary folders and files for tests, portable through std::filesystem.
#ifndef QUORVEL_TESTS_SUPPORT_TEST_FILES_H_
#define QUORVEL_TESTS_SUPPORT_TEST_FILES_H_

#include <filesystem>
#include <string>

namespace quorvel_test {

// A fresh, empty folder under the system's temporary folder, removed with
// everything in it when the object ends, also after a test took away its
// write permission (kept when the environment variable
// QUORVEL_KEEP_TEST_FILES is set, for looking at a failed test's files).
class TempFolder {
 public:
  // `label` becomes part of the folder's name (cut and made file-name safe).
  explicit TempFolder(const std::string& label = "test");
  ~TempFolder();

  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the folder, as text.
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// Writes `contents` to `path` byte for byte, creating missing folders.
// Throws std::runtime_error when the file cannot be written.
void writeFile(const std::filesystem::path& path, const std::string& contents);

// The whole file at `path`, byte for byte. Throws std::runtime_error when
// it cannot be read.
std::string readFile(const std::filesystem::path& path);

// The bytes that writing `text` through a text-mode stream puts in a file:
// `text` itself on POSIX systems; on Windows, every LF turned into CR LF.
std::string textModeBytes(const std::string& text);

// The id of the running process (the plug-in names its temporary files
// after it).
long processId();

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_SUPPORT_TEST_FILES_H_
