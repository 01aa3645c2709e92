// A private folder under the system's temporary folder that goes, with
// everything in it, when the object does: scratch space no other process
// sees and no killed call leaves behind for long.
#ifndef QUORVEL_CLI_BASE_TEMPORARY_FOLDER_H_
#define QUORVEL_CLI_BASE_TEMPORARY_FOLDER_H_

#include <filesystem>
#include <string>

namespace quorvel::cli {

class TemporaryFolder {
 public:
  // Makes "<temporary folder>/<prefix>XXXXXX", readable by the user only.
  // Throws a run error naming the temporary folder when it cannot be made.
  explicit TemporaryFolder(const std::string& prefix);
  // Removes the folder with everything in it; failures are ignored.
  ~TemporaryFolder();

  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;

  // The folder's path.
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_TEMPORARY_FOLDER_H_
