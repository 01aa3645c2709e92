// GoogleTest fixtures that drive the built plug-in library through the
// simulated host, as the host application would.
//
//   TEST_F(PluginScenario, AddsAFile) {
//     host().queueChosenFile("/data/run1.vtc");
//     EXPECT_TRUE(runCommand("AddFile"));
//     EXPECT_EQ(host().stringParameter("FileList"), "/data/run1.vtc");
//   }
#ifndef QUORVEL_TESTS_SUPPORT_PLUGIN_SCENARIO_H_
#define QUORVEL_TESTS_SUPPORT_PLUGIN_SCENARIO_H_

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "plugin/nrva_plugin_interface.h"
#include "plugin_calls.h"
#include "plugin_library.h"
#include "sim/simulated_host.h"
#include "test_files.h"

namespace quorvel_test {

// Before each test: the simulated host is reset, a fresh temporary work
// folder is made with a plug-ins folder "plugins" inside holding a copy of
// the dialog script "Quorvel1_0.js", the host's plug-ins path points there,
// and one plug-in object is created through createPlugin() but not yet
// initialised. After each test the object is destroyed, the host reset and
// the work folder removed.
class PluginHostTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  noravia::SimulatedHost& host() { return noravia::SimulatedHost::instance(); }
  PluginLibrary& library() { return PluginLibrary::built(); }
  // The object made in SetUp().
  NRVAPluginInterface& plugin() { return *plugin_; }
  // One more object from createPlugin() through pluginCalls(), owned by the
  // caller.
  PluginPointer createPlugin();

  // The object's initPlugin(), through pluginCalls().
  bool initPlugin() { return pluginCalls().initPlugin(plugin_.get()); }
  // Sets the dialog parameter "Command" and calls execute() through
  // pluginCalls(), as a button press in the dialog does.
  bool runCommand(const std::string& command);

  // The test's own temporary folder, the plug-ins folder inside it, and the
  // dialog script there.
  const std::filesystem::path& workDir() const { return workDir_->path(); }
  std::filesystem::path pluginsDir() const { return workDir() / "plugins"; }
  std::filesystem::path guiScriptPath() const;

  // Makes the folder `relative` (below the work folder) and returns its path.
  std::filesystem::path makeDir(const std::string& relative);
  // Writes `contents` to `relative` (below the work folder), making folders
  // as needed, and returns its path.
  std::filesystem::path makeFile(const std::string& relative, const std::string& contents);
  // The whole file at `path`.
  static std::string readFile(const std::filesystem::path& path) {
    return quorvel_test::readFile(path);
  }

  // All log lines so far, each followed by a newline.
  std::string logText() const;

 private:
  std::optional<TempFolder> workDir_;
  PluginPointer plugin_;
};

// PluginHostTest with the object already initialised (the host as reset():
// version 2.1.0, a VMR current), and the journal, log lines and message
// boxes of the start-up cleared, so a test sees only its own calls.
class PluginScenario : public PluginHostTest {
 protected:
  void SetUp() override;
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_SUPPORT_PLUGIN_SCENARIO_H_
