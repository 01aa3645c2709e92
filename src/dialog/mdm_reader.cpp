#include "dialog/mdm_reader.h"

#include <fstream>
#include <vector>

#include "dialog/file_list.h"
#include "dialog/host_text_buffer.h"
#include "host/host_call.h"
#include "host/host_text.h"

namespace quorvel {

bool appendMDMPathsToFileList(const HostFunctions& host,
                              const std::string& mdmPath, char* list,
                              std::size_t capacity) {
  std::ifstream file(mdmPath);
  if (!file.is_open()) {
    logText(host, "File could not be opened for reading");
    return false;
  }

  // Read the whole file before touching the list, so that a read error
  // (a folder, a device failing) leaves the list as it was.
  std::vector<std::string> paths;
  std::string line;
  while (std::getline(file, line)) {
    const std::size_t quote = line.find('"', 1);
    if (quote == std::string::npos) continue;
    paths.push_back(line.substr(1, quote - 1));
  }
  if (file.bad() || !file.eof()) {
    logText(host, "File could not be opened for reading");
    return false;
  }

  for (const std::string& path : paths)
    appendToFileList(host, list, capacity, path.c_str());
  return true;
}

bool readMDMFile(const HostFunctions& host, char* list, std::size_t capacity) {
  std::vector<char> mdmPath = makeHostBuffer(kHostTextBufferSize);
  hostCall(host.getOpenFileName, "Select an MDM", list,
           "Multi Subject Design Matrix (*.mdm)", mdmPath.data());
  terminateHostText(mdmPath);
  return appendMDMPathsToFileList(host, mdmPath.data(), list, capacity);
}

}  // namespace quorvel
