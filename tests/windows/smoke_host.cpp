// A minimal Windows host, independent of the simulated host: exports the
// handful of entry points that start-up and an unknown command need, loads
// Quorvel1_2.dll with LoadLibraryA and drives one plug-in object through its
// virtual table. The program must be named Noravia.exe.
//
//   Noravia.exe [path\to\Quorvel1_2.dll]
//
// Exit status 0 when every check passes; each failed check is printed.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "plugin/nrva_plugin_interface.h"

namespace {

std::vector<std::string>& logLines() {
  static std::vector<std::string> lines;
  return lines;
}

int failures = 0;

// The library's export `name`, as a pointer of type F; null when missing.
template <typename F>
F exported(HMODULE library, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

void check(bool condition, const char* what) {
  if (!condition) {
    std::printf("FAILED: %s\n", what);
    ++failures;
  }
}

}  // namespace

extern "C" {
__declspec(dllexport) int nvGetVersionOfNoravia(int* major, int* minor, int* subMinor) {
  *major = 2;
  *minor = 1;
  *subMinor = 0;
  return 1;
}
__declspec(dllexport) int nvGetIDOfCurrentDocument() { return 0; }
__declspec(dllexport) int nvGetDocumentType(int) { return 3; }
__declspec(dllexport) int nvShowLogPane() { return 1; }
__declspec(dllexport) int nvLogText(const char* text) {
  logLines().emplace_back(text);
  return 1;
}
__declspec(dllexport) int nvMessageBox(const char* text) {
  std::printf("message box: %s\n", text);
  return 1;
}
__declspec(dllexport) int nvGetStringParameter(const char* name, char* value) {
  std::strcpy(value, std::strcmp(name, "Command") == 0 ? "Smoke" : "");
  return 1;
}
}

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "Quorvel1_2.dll";
  HMODULE library = LoadLibraryA(path);
  if (library == nullptr) {
    std::printf("FAILED: LoadLibraryA(%s), error %lu\n", path, GetLastError());
    return 1;
  }

  using TextExport = const char* (*)();
  const char* textExports[] = {"getPluginName", "getPluginVersion", "getPluginDescription",
                               "getAuthor",     "getHelpFile",      "getGUIScript"};
  for (const char* name : textExports) {
    check(GetProcAddress(library, name) != nullptr, name);
  }
  auto pluginName = exported<TextExport>(library, "getPluginName");
  check(pluginName != nullptr && std::strcmp(pluginName(), "Quorvel 1.2") == 0,
        "getPluginName() is \"Quorvel 1.2\"");

  using CreateExport = NRVAPluginInterface* (*)();
  auto createPlugin = exported<CreateExport>(library, "createPlugin");
  check(createPlugin != nullptr, "createPlugin exported");
  if (createPlugin == nullptr) return 1;

  NRVAPluginInterface* plugin = createPlugin();
  check(plugin != nullptr, "createPlugin() gives an object");
  if (plugin == nullptr) return 1;
  // Not bound yet: the refusal cannot be logged.
  check(!plugin->execute(), "execute() refused before initPlugin()");
  check(plugin->initPlugin(), "initPlugin() passes");
  check(plugin->execute(), "execute() of an unknown command returns true");
  destroyPlugin(plugin);

  const std::vector<std::string> expected = {"\n** Starting Quorvel 1.2 **",
                                             "Plugin>  Command received: Smoke",
                                             "Plugin>  Received unknown command: \"Smoke\"."};
  check(logLines() == expected, "log lines");
  for (const std::string& line : logLines()) std::printf("log: %s\n", line.c_str());

  FreeLibrary(library);
  std::printf(failures == 0 ? "smoke test passed\n" : "smoke test failed\n");
  return failures == 0 ? 0 : 1;
}
