#include "analysis/map_preparation.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "analysis/vtc_geometry.h"
#include "host/host_call.h"
#include "host/host_text.h"

namespace quorvel {

bool isMapRequested(MapKind kind, const AnalysisSettings& settings) {
  switch (kind) {
    case MapKind::kTsnr:
      return settings.createTSNRMap;
    case MapKind::kOutliers:
      return settings.createOutlierMap;
    case MapKind::kLaggedAutocorrelation:
      return settings.createLaggedAutocorMap;
  }
  return false;
}

std::string composeMapDisplayName(const char* name, const std::string& vtcPath,
                                  bool addVtcName) {
  std::string displayName = name;
  if (addVtcName) {
    // Only forward slashes separate folders; a backslash path stays whole.
    const std::size_t slash = vtcPath.rfind('/');
    displayName += " of ";
    displayName +=
        (slash == std::string::npos) ? vtcPath : vtcPath.substr(slash + 1);
  }
  if (displayName.size() > kMaxMapNameLength) {
    displayName.resize(kMaxMapNameLength);
  }
  return displayName;
}

bool prepareNewMap(const HostFunctions& host, const char* name,
                   const VTCHeader& vtc, bool addVtcName, NRVMPsHeader& maps,
                   NRVMPRecord& record, PreparedMap& prepared) {
  logFormatted(host, "Added the %s VMP", name);
  hostCall(host.getNRVMPsOfCurrentVMR, &maps);
  prepared.index = maps.nrOfMaps - 1;
  prepared.values =
      hostCall(host.getNRVMPOfCurrentVMR, prepared.index, &record);

  const std::string displayName =
      composeMapDisplayName(name, vtcFilePath(vtc), addVtcName);
  if (prepared.values == nullptr || record.name == nullptr) {
    showMessageFormatted(host, "Failed to get access to the %s VMP",
                         displayName.c_str());
    return false;
  }
  std::memcpy(record.name, displayName.c_str(), displayName.size() + 1);
  hostCall(host.setNRVMPParametersOfCurrentVMR, prepared.index, &record);
  return true;
}

namespace {

// How a map of one kind is shown when the run has made it.
struct MapDisplayDefaults {
  float lowerThreshold;  // ignored when lowerIsMaxDeviation
  bool lowerIsMaxDeviation;
  float upperThreshold;
  bool setsDisplayFields;  // the fields at offsets 40, 76 and 80 below
};

// One row per MapKind, in its order.
constexpr MapDisplayDefaults kMapDisplayDefaults[kMapKindCount] = {
    {40.0f, false, 200.0f, true},  // TSNR
    {0.0f, true, 8.0f, false},     // Outliers (max stddev)
    {0.3f, false, 1.0f, false},    // 1+2 Lagged AutoCorrelation
};

// What a map that sets the display fields writes into them.
constexpr std::int32_t kDisplayOption40 = 1;
constexpr std::int32_t kDisplayOption76 = 0;
constexpr float kDisplayValue80 = 0.8f;

// Of the maps made for one VTC, the first of this order that was made is
// the selected one (1 at offset 92); the others keep the host's value.
constexpr MapKind kSelectionPreference[kMapKindCount] = {
    MapKind::kOutliers, MapKind::kTsnr, MapKind::kLaggedAutocorrelation};

}  // namespace

void setMapParameters(MapKind kind, const AnalysisSettings& settings,
                      NRVMPRecord& record) {
  const MapDisplayDefaults& display =
      kMapDisplayDefaults[static_cast<std::size_t>(kind)];
  record.lowerThreshold = display.lowerIsMaxDeviation ? settings.maxDeviation
                                                      : display.lowerThreshold;
  record.upperThreshold = display.upperThreshold;
  if (display.setsDisplayFields) {
    record.displayOption40 = kDisplayOption40;
    record.displayOption76 = kDisplayOption76;
    record.displayValue80 = kDisplayValue80;
  }
  for (const MapKind preferred : kSelectionPreference) {
    if (!isMapRequested(preferred, settings)) continue;
    if (preferred == kind) record.selectedMap92 = 1;
    break;
  }
}

}  // namespace quorvel
