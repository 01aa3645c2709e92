#include "dialog/file_list.h"

#include <cstring>

#include "host/host_text.h"

namespace quorvel {

bool appendToFileList(const HostFunctions& host, char* list,
                      std::size_t capacity, const char* path) {
  const void* terminator = std::memchr(list, '\0', capacity);
  const std::size_t listLength =
      terminator ? static_cast<std::size_t>(
                       static_cast<const char*>(terminator) - list)
                 : capacity;
  const std::size_t separator = listLength > 0 ? 1 : 0;
  const std::size_t pathLength = std::strlen(path);
  if (listLength + separator + pathLength >= capacity) {
    logFormatted(host, "Plugin>  The file list is full; not added: %s", path);
    return false;
  }
  char* end = list + listLength;
  if (separator) *end++ = '\n';
  std::memcpy(end, path, pathLength + 1);
  return true;
}

FileListEntries splitFileList(const char* listText) {
  FileListEntries split;
  const std::size_t length = std::strlen(listText);
  if (length == 0) return split;

  long separators = 0;
  std::size_t entry = 0;
  std::size_t i = 0;
  while (i < length) {
    if (listText[i] == '\n') {
      ++separators;
      ++entry;
      ++i;
      if (i == length) break;
    }
    // The character after a separator belongs to the next entry, even when
    // it is a newline itself.
    if (entry < split.entries.size()) split.entries[entry] += listText[i];
    ++i;
  }

  const long count = separators + (length > 2 ? 1 : 0);
  if (count > kMaxFileListEntries) {
    split.count = kMaxFileListEntries;
    split.omittedCount = static_cast<int>(count - kMaxFileListEntries);
  } else {
    split.count = static_cast<int>(count);
  }
  return split;
}

void logOmittedFileListEntries(const HostFunctions& host,
                               const FileListEntries& split) {
  if (split.omittedCount <= 0) return;
  logFormatted(
      host,
      "Plugin>  %i entries past the first %i of the file list are left out",
      split.omittedCount, kMaxFileListEntries);
}

}  // namespace quorvel
