// Drives the built plug-in library through the simulated host, as the host
// drives it: load the library, create and initialise a plug-in object, then
// send it the dialog's commands.
#ifndef QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_
#define QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/nrva_plugin_interface.h"
#include "simulated_host.h"
#include "tests/dialog/temp_folder.h"

namespace quorvel_test {

// The built plug-in's createPlugin, from the library loaded once per
// process (after the simulated host, which the test program links).
inline NRVAPluginInterface* createBuiltPlugin() {
  using CreatePlugin = NRVAPluginInterface* (*)();
  static void* library = dlopen(QUORVEL_PLUGIN_PATH, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return nullptr;
  auto create = reinterpret_cast<CreatePlugin>(dlsym(library, "createPlugin"));
  return create != nullptr ? create() : nullptr;
}

class DialogScenario : public ::testing::Test {
 protected:
  void SetUp() override {
    host().reset();
    host().setPluginsPath(folder_.path().string());
    plugin_ = createBuiltPlugin();
    ASSERT_NE(plugin_, nullptr) << dlerror();
    ASSERT_TRUE(plugin_->initPlugin());
    host().clearLog();
    host().clearJournal();
  }
  void TearDown() override { delete plugin_; }

  static noravia::SimulatedHost& host() {
    return noravia::SimulatedHost::instance();
  }

  // Sends `command` as the dialog does and returns execute's answer.
  bool send(const std::string& command) {
    host().setStringParameter("Command", command);
    return plugin_->execute();
  }

  const std::vector<std::string>& log() const { return host().log(); }
  std::string fileList() const { return host().stringParameter("FileList"); }
  std::string scriptPath() const { return folder_.file("Quorvel1_0.js"); }

  TempFolder folder_;
  NRVAPluginInterface* plugin_ = nullptr;
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_
