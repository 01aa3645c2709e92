// The shared plug-in scenario with shorthands for setting up analysis runs:
// the nine settings, VTCs in the test's folder, and views of the journal.
#ifndef QUORVEL_TESTS_ANALYSIS_ANALYSIS_SCENARIO_H_
#define QUORVEL_TESTS_ANALYSIS_ANALYSIS_SCENARIO_H_

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "plugin_scenario.h"

namespace quorvel_test {

using Lines = std::vector<std::string>;

class AnalysisRun : public PluginScenario {
 protected:
  // Flags of the nine settings, all clear by default.
  struct Settings {
    double maxDeviation = 4.0;
    double spikeDef = 3.0;
    bool deleteOtherVmps = false;
    bool tsnr = false;
    bool outliers = false;
    bool autocor = false;
    bool logtab = false;
    bool file = false;
    bool addVtcName = false;
  };

  static Settings allMaps() {
    Settings s;
    s.tsnr = s.outliers = s.autocor = true;
    return s;
  }

  void setSettings(const Settings& s) {
    host().setFloatParameter("Max_Deviation", s.maxDeviation);
    host().setFloatParameter("Spike_Def", s.spikeDef);
    host().setIntParameter("Delete_Other_Vmps", s.deleteOtherVmps);
    host().setIntParameter("Create_TSNR_Map", s.tsnr);
    host().setIntParameter("Create_Outlier_Map", s.outliers);
    host().setIntParameter("Create_Lagged_Autocor_Map", s.autocor);
    host().setIntParameter("Create_Temporal_Outlier_Logtab", s.logtab);
    host().setIntParameter("Create_Temporal_Outlier_File", s.file);
    host().setIntParameter("Add_Vtc_Name", s.addVtcName);
  }

  void setFileList(const Lines& paths) {
    std::string text;
    for (const std::string& path : paths) {
      if (!text.empty()) text += '\n';
      text += path;
    }
    host().setStringParameter("FileList", text);
  }

  // Path of `name` in the test's folder, with "/" as separator on every
  // system (map names take the part after the last "/").
  std::string workFile(const std::string& name) const {
    return (workDir() / name).generic_string();
  }

  // Float time course of voxel `voxel` in a test VTC: about 1000 with a
  // voxel-dependent wobble and a spike, and every fourth voxel background.
  static std::vector<float> testSeries(int voxel, int t) {
    std::vector<float> s(t);
    for (int v = 0; v < t; ++v) {
      const int wobble = ((voxel * 7 + v * 13) % 11) - 5;
      s[v] = (voxel % 4 == 3 ? 60.0f : 1000.0f) + static_cast<float>(wobble) * 1.25f;
    }
    s[(voxel * 3) % t] += 40.0f;
    return s;
  }

  // Registers a float VTC of X x Y x Z voxels and t volumes at `path`,
  // each voxel's series from testSeries().
  void addTestVtc(const std::string& path, int x, int y, int z, int t) {
    std::vector<float> samples;
    for (int voxel = 0; voxel < x * y * z; ++voxel) {
      const std::vector<float> s = testSeries(voxel, t);
      samples.insert(samples.end(), s.begin(), s.end());
    }
    host().addFloatVtc(path, noravia::Box::ofVoxels(x, y, z), t, samples);
  }

  const Lines& log() { return host().log(); }

  // Journal entries as "entryPoint argument", from the first that equals
  // `first` on (none when there is no such entry).
  Lines journalFrom(const std::string& first) {
    Lines calls;
    for (const noravia::HostCall& call : host().journal()) {
      const std::string entry = call.entryPoint + " " + call.argument;
      if (calls.empty() && entry != first) continue;
      calls.push_back(entry);
    }
    return calls;
  }

  bool logHas(const std::string& line) {
    return std::find(log().begin(), log().end(), line) != log().end();
  }
};

}  // namespace quorvel_test

#endif  // QUORVEL_TESTS_ANALYSIS_ANALYSIS_SCENARIO_H_
