#include "plugin_scenario.h"

#include <system_error>

namespace quorvel_test {
namespace {

// The dialog script the build ships beside the library.
constexpr char kGUIScriptSource[] = QUORVEL_GUI_SCRIPT_PATH;
constexpr char kGUIScriptName[] = "Quorvel1_0.js";

// The plug-in hands the host a buffer of 256 characters for this path.
constexpr std::size_t kMaxPluginsPathLength = 200;

std::string currentTestName() {
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info != nullptr ? info->name() : "test";
}

}  // namespace

void PluginHostTest::SetUp() {
  host().reset();
  workDir_.emplace(currentTestName());

  std::filesystem::create_directories(pluginsDir());
  ASSERT_LT(pluginsDir().string().size(), kMaxPluginsPathLength)
      << "temporary folder path too long: " << pluginsDir();
  if (std::filesystem::exists(kGUIScriptSource)) {
    std::filesystem::copy_file(kGUIScriptSource, guiScriptPath());
  }
  host().setPluginsPath(pluginsDir().string());

  ASSERT_TRUE(library().loaded()) << library().path() << ": " << library().error();
  ASSERT_TRUE(library().hasAllExports()) << library().error();
  plugin_ = createPlugin();
  ASSERT_NE(plugin_, nullptr);
}

void PluginHostTest::TearDown() {
  plugin_.reset();
  host().reset();
  workDir_.reset();
}

PluginPointer PluginHostTest::createPlugin() {
  return PluginPointer(pluginCalls().create(library().createPlugin));
}

bool PluginHostTest::runCommand(const std::string& command) {
  host().setStringParameter("Command", command);
  return pluginCalls().execute(plugin_.get());
}

std::filesystem::path PluginHostTest::guiScriptPath() const {
  return pluginsDir() / kGUIScriptName;
}

std::filesystem::path PluginHostTest::makeDir(const std::string& relative) {
  std::filesystem::path path = workDir() / relative;
  std::filesystem::create_directories(path);
  return path;
}

std::filesystem::path PluginHostTest::makeFile(const std::string& relative,
                                               const std::string& contents) {
  std::filesystem::path path = workDir() / relative;
  writeFile(path, contents);
  return path;
}

std::string PluginHostTest::logText() const {
  std::string text;
  for (const std::string& line : noravia::SimulatedHost::instance().log()) {
    text += line;
    text += '\n';
  }
  return text;
}

void PluginScenario::SetUp() {
  PluginHostTest::SetUp();
  if (HasFatalFailure()) return;
  ASSERT_TRUE(initPlugin()) << "start-up failed; message boxes: " << host().messageBoxes().size();
  host().clearJournal();
  host().clearLog();
}

}  // namespace quorvel_test
