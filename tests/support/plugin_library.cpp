#include "plugin_library.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quorvel_test {
namespace {

void* openLibrary(const std::string& path, std::string& error) {
#if defined(_WIN32)
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "LoadLibraryA failed with error " + std::to_string(GetLastError());
  }
  return reinterpret_cast<void*>(module);
#else
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    const char* reason = dlerror();
    error = reason != nullptr ? reason : "dlopen failed";
  }
  return handle;
#endif
}

void closeLibrary(void* handle) {
#if defined(_WIN32)
  FreeLibrary(reinterpret_cast<HMODULE>(handle));
#else
  dlclose(handle);
#endif
}

template <typename Function>
Function resolve(const PluginLibrary& library, const char* name) {
  return reinterpret_cast<Function>(library.symbol(name));
}

}  // namespace

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
  handle_ = openLibrary(path, error_);
  if (handle_ == nullptr) return;
  getPluginName = resolve<TextExport>(*this, "getPluginName");
  getPluginVersion = resolve<TextExport>(*this, "getPluginVersion");
  getPluginDescription = resolve<TextExport>(*this, "getPluginDescription");
  getAuthor = resolve<TextExport>(*this, "getAuthor");
  getHelpFile = resolve<TextExport>(*this, "getHelpFile");
  getGUIScript = resolve<TextExport>(*this, "getGUIScript");
  createPlugin = resolve<CreatePluginExport>(*this, "createPlugin");
  if (!hasAllExports()) error_ = "the library lacks some of its exports";
}

PluginLibrary::~PluginLibrary() {
  if (handle_ != nullptr) closeLibrary(handle_);
}

const char* PluginLibrary::builtPath() { return QUORVEL_PLUGIN_PATH; }

PluginLibrary& PluginLibrary::built() {
  // Never destroyed: the library stays loaded until the process ends.
  static PluginLibrary* library = new PluginLibrary(builtPath());
  return *library;
}

void* PluginLibrary::symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
#if defined(_WIN32)
  return reinterpret_cast<void*>(GetProcAddress(reinterpret_cast<HMODULE>(handle_), name));
#else
  return dlsym(handle_, name);
#endif
}

bool PluginLibrary::hasAllExports() const {
  return getPluginName != nullptr && getPluginVersion != nullptr &&
         getPluginDescription != nullptr && getAuthor != nullptr && getHelpFile != nullptr &&
         getGUIScript != nullptr && createPlugin != nullptr;
}

}  // namespace quorvel_test
