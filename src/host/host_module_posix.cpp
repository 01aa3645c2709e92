// POSIX lookup: walks the objects the dynamic linker has loaded, the main
// program included, for one whose last path component is the host's name.
#include <dlfcn.h>
#include <link.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <string>

#include "host/host_module.h"

namespace quorvel {
namespace {

bool hasFileName(const char* path, const char* fileName) {
  const char* slash = std::strrchr(path, '/');
  const char* last = slash != nullptr ? slash + 1 : path;
  return std::strcmp(last, fileName) == 0;
}

struct Search {
  const char* fileName;
  std::string path;  // path of the first match, as the linker knows it
  bool found = false;
};

int visitLoadedObject(dl_phdr_info* info, size_t /*infoSize*/, void* data) {
  auto* search = static_cast<Search*>(data);
  const char* name = info->dlpi_name;
  if (name == nullptr || name[0] == '\0') return 0;  // the main program
  if (!hasFileName(name, search->fileName)) return 0;
  search->path = name;
  search->found = true;
  return 1;
}

// True when the running program's own file is named `fileName`, under the
// name it was started by or the file that name leads to.
bool mainProgramHasFileName(const char* fileName) {
#if defined(AT_EXECFN)
  // The auxiliary vector hands the name over as an integer.
  // NOLINTNEXTLINE(performance-no-int-to-ptr)
  const char* startedAs = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
  if (startedAs != nullptr && hasFileName(startedAs, fileName)) return true;
#endif
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return false;
  path[length] = '\0';
  return hasFileName(path, fileName);
}

}  // namespace

HostModule::HostModule(const char* fileName) {
  if (mainProgramHasFileName(fileName)) {
    handle_ = dlopen(nullptr, RTLD_LAZY);
    return;
  }
  Search search{fileName, {}, false};
  dl_iterate_phdr(visitLoadedObject, &search);
  if (search.found) {
    handle_ = dlopen(search.path.c_str(), RTLD_LAZY | RTLD_NOLOAD);
  }
}

HostModule::~HostModule() {
  if (handle_ != nullptr) dlclose(handle_);
}

void* HostModule::resolve(const char* name) const {
  return handle_ != nullptr ? dlsym(handle_, name) : nullptr;
}

}  // namespace quorvel
