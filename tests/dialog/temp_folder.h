// A fresh folder under the system's temporary folder, removed with its
// contents when the test ends.
#ifndef QUORVEL_TESTS_DIALOG_TEMP_FOLDER_H_
#define QUORVEL_TESTS_DIALOG_TEMP_FOLDER_H_

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace dialog_test {

class TempFolder {
 public:
  TempFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() /
            ("quorvel-dialog-" + std::to_string(random()) + "-" +
             std::to_string(random()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string file(const std::string& name) const {
    return (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

// Writes `bytes` to `path` exactly (binary mode).
inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

// The bytes of the file at `path` (binary mode).
inline std::string readBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file),
                     std::istreambuf_iterator<char>());
}

}  // namespace dialog_test

#endif  // QUORVEL_TESTS_DIALOG_TEMP_FOLDER_H_
