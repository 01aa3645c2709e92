// The shared plug-in scenario with shorthands for the dialog's state.
#ifndef QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_
#define QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_

#include <string>
#include <vector>

#include "plugin_scenario.h"

namespace quorvel_test {

// A script with the nine statements, as the dialog ships it (maximum
// deviation 4, spike definition 3, every flag 1), plus a line that only
// reads a control.
inline constexpr char kScript[] =
    "function initSettings() {\n"
    "    dlg.options.delete_other_vmps.checked = 1;\n"
    "    dlg.options.add_vtc_name.checked = 1;\n"
    "    dlg.maps.create_TSNR_map.checked = 1;\n"
    "    dlg.maps.create_lagged_autocor_map.checked = 1;\n"
    "    dlg.maps.create_outlier_map.checked = 1;\n"
    "    dlg.parameters.max_deviation.value = 4;\n"
    "    dlg.parameters.spike_def.value = 3;\n"
    "    dlg.temporal.create_temporal_outlier_logtab.checked = 1;\n"
    "    dlg.temporal.create_temporal_outlier_file.checked = 1;\n"
    "}\n"
    "var d = dlg.parameters.max_deviation.value;";

class DialogCommands : public PluginScenario {
 protected:
  const std::vector<std::string>& log() { return host().log(); }
  std::string fileList() { return host().stringParameter("FileList"); }
  // The dialog script in the host's plug-ins folder.
  std::string script() const { return guiScriptPath().string(); }
  std::string workFile(const std::string& name) const { return (workDir() / name).string(); }
  // Sets the two thresholds and gives all seven flags the value `flags`.
  void setSettings(double maxDeviation, double spikeDef, int flags) {
    host().setFloatParameter("Max_Deviation", maxDeviation);
    host().setFloatParameter("Spike_Def", spikeDef);
    for (const char* name :
         {"Delete_Other_Vmps", "Create_TSNR_Map", "Create_Outlier_Map", "Create_Lagged_Autocor_Map",
          "Create_Temporal_Outlier_Logtab", "Create_Temporal_Outlier_File", "Add_Vtc_Name"})
      host().setIntParameter(name, flags);
  }
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_DIALOG_DIALOG_SCENARIO_H_
