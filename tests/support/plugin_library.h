// Loads the built plug-in library by path, as the host does, and resolves
// its seven C exports.
#ifndef QUORVEL_TESTS_SUPPORT_PLUGIN_LIBRARY_H_
#define QUORVEL_TESTS_SUPPORT_PLUGIN_LIBRARY_H_

#include <string>

#include "plugin/nrva_plugin_interface.h"

namespace quorvel_test {

// A loaded plug-in library. Loading binds all symbols at once and keeps
// them local to the library (RTLD_NOW | RTLD_LOCAL on POSIX, LoadLibraryA on
// Windows); the destructor unloads it again.
class PluginLibrary {
 public:
  using TextExport = const char* (*)();
  using CreatePluginExport = NRVAPluginInterface* (*)();

  // Loads the library at `path`; check loaded() afterwards.
  explicit PluginLibrary(const std::string& path);
  ~PluginLibrary();

  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  // Path of the library the build made (Quorvel1_2.so / Quorvel1_2.dll).
  static const char* builtPath();
  // The built library, loaded on first use and kept loaded until the
  // process ends, so plug-in objects never outlive their code.
  static PluginLibrary& built();

  // True when the library was loaded; error() tells why not.
  bool loaded() const { return handle_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }

  // Address of the exported symbol `name`, or null.
  void* symbol(const char* name) const;

  // The seven exports; null when the library lacks them.
  TextExport getPluginName = nullptr;
  TextExport getPluginVersion = nullptr;
  TextExport getPluginDescription = nullptr;
  TextExport getAuthor = nullptr;
  TextExport getHelpFile = nullptr;
  TextExport getGUIScript = nullptr;
  CreatePluginExport createPlugin = nullptr;

  // True when all seven exports were found.
  bool hasAllExports() const;

 private:
  std::string path_;
  std::string error_;
  void* handle_ = nullptr;
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_SUPPORT_PLUGIN_LIBRARY_H_
