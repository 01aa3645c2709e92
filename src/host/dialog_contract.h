// What the dialog script, the host and the plug-in agree on: the nine
// settings of the dialog (host parameter, script statement, log label, kind
// and the value the shipped script opens with), the names of the maps the
// plug-in adds, and the sizes of the text buffers handed across.
//
// The plug-in, the simulated host and the quorvel command all read these
// from here, so a name or a size is written once. Tests keep their own
// literal texts: those are the expectation this table is checked against.
#ifndef QUORVEL_HOST_DIALOG_CONTRACT_H_
#define QUORVEL_HOST_DIALOG_CONTRACT_H_

#include <array>
#include <cstddef>

namespace quorvel {

// How a setting travels: a threshold as a float parameter and a number in
// the script, a flag as an int parameter and 1 or 0 in the script.
enum class SettingKind { kThreshold, kFlag };

// The nine settings, in the order the log table and the script list them.
enum class Setting {
  kDeleteOtherMaps,
  kAddVtcName,
  kCreateTsnrMap,
  kCreateLaggedAutocorrelationMap,
  kCreateOutlierMap,
  kMaxDeviation,
  kSpikeDefinition,
  kWriteOutliersToLog,
  kWriteOutliersToCsv,
};

// Number of dialog settings.
constexpr std::size_t kSettingCount = 9;

// One setting of the dialog.
struct DialogSetting {
  Setting setting;
  const char* parameterName;    // the host's dialog parameter
  const char* scriptStatement;  // left side of its statement in the script
  const char* logLabel;         // its row label in the log's parameter table
  SettingKind kind;
  double defaultValue;  // what the shipped script opens with (flags 1 or 0)
};

// The nine settings, indexed by Setting.
constexpr std::array<DialogSetting, kSettingCount> kDialogSettings = {{
    {Setting::kDeleteOtherMaps, "Delete_Other_Vmps",
     "dlg.options.delete_other_vmps.checked", "Delete Present VMPS",
     SettingKind::kFlag, 0},
    {Setting::kAddVtcName, "Add_Vtc_Name", "dlg.options.add_vtc_name.checked",
     "Add VTC Name to VMP Names", SettingKind::kFlag, 1},
    {Setting::kCreateTsnrMap, "Create_TSNR_Map",
     "dlg.maps.create_TSNR_map.checked", "Create TSNR Map", SettingKind::kFlag,
     1},
    {Setting::kCreateLaggedAutocorrelationMap, "Create_Lagged_Autocor_Map",
     "dlg.maps.create_lagged_autocor_map.checked",
     "Create Lagged Autocorrelation Map", SettingKind::kFlag, 1},
    {Setting::kCreateOutlierMap, "Create_Outlier_Map",
     "dlg.maps.create_outlier_map.checked", "Create Outlier Map",
     SettingKind::kFlag, 1},
    {Setting::kMaxDeviation, "Max_Deviation",
     "dlg.parameters.max_deviation.value", "Maximum Deviation",
     SettingKind::kThreshold, 4},
    {Setting::kSpikeDefinition, "Spike_Def", "dlg.parameters.spike_def.value",
     "Spike Definition", SettingKind::kThreshold, 3},
    {Setting::kWriteOutliersToLog, "Create_Temporal_Outlier_Logtab",
     "dlg.temporal.create_temporal_outlier_logtab.checked",
     "Write temporal outliers to Logtab", SettingKind::kFlag, 1},
    {Setting::kWriteOutliersToCsv, "Create_Temporal_Outlier_File",
     "dlg.temporal.create_temporal_outlier_file.checked",
     "Write temporal outliers to CSV file", SettingKind::kFlag, 1},
}};

// The description of `setting`.
constexpr const DialogSetting& dialogSetting(Setting setting) {
  return kDialogSettings[static_cast<std::size_t>(setting)];
}

// The order in which the plug-in asks the host for the settings, one call
// each: the thresholds first, then the flags as the dialog groups them.
constexpr std::array<Setting, kSettingCount> kSettingReadOrder = {{
    Setting::kMaxDeviation,
    Setting::kSpikeDefinition,
    Setting::kDeleteOtherMaps,
    Setting::kCreateTsnrMap,
    Setting::kCreateOutlierMap,
    Setting::kCreateLaggedAutocorrelationMap,
    Setting::kWriteOutliersToLog,
    Setting::kWriteOutliersToCsv,
    Setting::kAddVtcName,
}};

// File name of the dialog's GUI script in the host's plug-ins folder, as
// the plug-in's getGUIScript reports it.
constexpr const char kGuiScriptName[] = "Quorvel1_0.js";

// The three kinds of map, in the order they are added for a run.
enum class MapKind { kTsnr, kOutliers, kLaggedAutocorrelation };

// Number of map kinds.
constexpr std::size_t kMapKindCount = 3;

// Every kind, in the order they are added for a run.
constexpr std::array<MapKind, kMapKindCount> kMapKinds = {
    {MapKind::kTsnr, MapKind::kOutliers, MapKind::kLaggedAutocorrelation}};

// The bare name of a map of `kind`, before any " of <file>".
constexpr const char* mapName(MapKind kind) {
  constexpr const char* kNames[kMapKindCount] = {
      "TSNR", "Outliers (max stddev)", "1+2 Lagged AutoCorrelation"};
  return kNames[static_cast<std::size_t>(kind)];
}

// Characters a map's display name keeps at most.
constexpr std::size_t kMaxMapNameLength = 100;

// Sizes, terminator included, of the text buffers the host fills or the
// plug-in builds. The host is never told a size: it writes no more than
// these, and the plug-in's buffers are never smaller.
constexpr std::size_t kCommandBufferSize = 104;      // the "Command" value
constexpr std::size_t kFileListBufferSize = 25604;   // the "FileList" value
constexpr std::size_t kMessageBufferSize = 512;      // one formatted line
constexpr std::size_t kPluginsPathBufferSize = 256;  // the plug-ins folder
constexpr std::size_t kChosenPathBufferSize = 512;   // a path chosen in a
                                                     // host file dialog
constexpr std::size_t kCsvPathBufferSize = 264;      // a VTC's CSV path

// Most entries one analysis run takes from the file list.
constexpr int kMaxFileListEntries = 256;

}  // namespace quorvel

#endif  // QUORVEL_HOST_DIALOG_CONTRACT_H_
