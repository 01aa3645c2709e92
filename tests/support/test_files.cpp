#include "test_files.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <system_error>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace quorvel_test {
namespace {

constexpr std::size_t kMaxLabelLength = 40;

std::string safeLabel(const std::string& label) {
  std::string safe;
  for (char c : label.substr(0, kMaxLabelLength)) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_';
    safe += plain ? c : '_';
  }
  return safe;
}

std::string randomSuffix() {
  static std::mt19937_64 generator{std::random_device{}()};
  std::ostringstream text;
  text << std::hex << generator();
  return text.str();
}

}  // namespace

TempFolder::TempFolder(const std::string& label) {
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / ("quorvel-" + safeLabel(label) + "-" + randomSuffix());
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder under " + base.string());
}

TempFolder::~TempFolder() {
  if (std::getenv("QUORVEL_KEEP_TEST_FILES") != nullptr) return;
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
  if (path.has_parent_path()) {
    std::filesystem::create_directories(path.parent_path());
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
  file.close();
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream contents;
  contents << file.rdbuf();
  return contents.str();
}

std::string textModeBytes(const std::string& text) {
#if defined(_WIN32)
  std::string bytes;
  bytes.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
#else
  return text;
#endif
}

long processId() {
#if defined(_WIN32)
  return static_cast<long>(_getpid());
#else
  return static_cast<long>(getpid());
#endif
}

}  // namespace quorvel_test
