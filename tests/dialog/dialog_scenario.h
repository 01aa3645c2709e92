// The shared plug-in scenario with shorthands for the dialog's state.
#ifndef QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_
#define QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_

#include <string>
#include <vector>

#include "plugin_scenario.h"

namespace quorvel_test {

class DialogCommands : public PluginScenario {
 protected:
  const std::vector<std::string>& log() { return host().log(); }
  std::string fileList() { return host().stringParameter("FileList"); }
  // The dialog script in the host's plug-ins folder.
  std::string script() const { return guiScriptPath().string(); }
  std::string workFile(const std::string& name) const {
    return (workDir() / name).string();
  }
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_
