// Feeds arbitrary list texts and paths to the file-list operations: the
// list buffer must never be overrun, and a split must account for every
// separator whatever the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dialog/file_list.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // First byte: how much of the rest is the list; the remainder is a path.
  if (size == 0) return 0;
  const std::size_t listLength = data[0] * (size - 1) / 255;
  std::string listText(reinterpret_cast<const char*>(data + 1), listLength);
  std::string path(reinterpret_cast<const char*>(data + 1 + listLength), size - 1 - listLength);
  listText = listText.c_str();  // as the host hands it over: up to a NUL
  path = path.c_str();

  // A small buffer makes "does not fit" common.
  const std::size_t capacity = 64;
  std::vector<char> list(capacity + 16, '#');
  std::strncpy(list.data(), listText.c_str(), capacity - 1);
  list[capacity - 1] = '\0';
  const std::string before = list.data();
  const bool appended =
      quorvel::appendToFileList(quorvel::HostFunctions{}, list.data(), capacity, path.c_str());
  for (std::size_t i = capacity; i < list.size(); ++i) {
    if (list[i] != '#') std::abort();  // written past the buffer
  }
  if (!appended && before != list.data()) std::abort();  // list changed

  const quorvel::FileListEntries split = quorvel::splitFileList(listText.c_str());
  if (split.count < 0 || split.count > quorvel::kMaxFileListEntries) std::abort();
  if (split.omittedCount < 0) std::abort();
  return 0;
}
