// Temporary files of the dialog tests.
#ifndef QUORVEL_TESTS_DIALOG_TEMP_FOLDER_H_
#define QUORVEL_TESTS_DIALOG_TEMP_FOLDER_H_

#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/test_files.h"

namespace dialog_test {

// The suite's temporary folder.
using quorvel_test::TempFolder;

// Writes `bytes` to `path` exactly (binary mode).
inline void writeBytes(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
}

// The bytes of the file at `path` (binary mode).
inline std::string readBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace dialog_test

#endif  // QUORVEL_TESTS_DIALOG_TEMP_FOLDER_H_
