#include "analysis/map_preparation.h"

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
    displayName += (slash == std::string::npos) ? vtcPath
                                                : vtcPath.substr(slash + 1);
  }
  if (displayName.size() > kMaxMapNameLength) {
    displayName.resize(kMaxMapNameLength);
  }
  return displayName;
}

bool prepareNewMap(const char* name, const VTCHeader& vtc, bool addVtcName,
                   NRVMPsHeader& maps, NRVMPRecord& record,
                   PreparedMap& prepared) {
  logFormatted("Added the %s VMP", name);
  hostCall(nvGetNRVMPsOfCurrentVMR, &maps);
  prepared.index = maps.nrOfMaps - 1;
  prepared.values = hostCall(nvGetNRVMPOfCurrentVMR, prepared.index, &record);

  const std::string displayName =
      composeMapDisplayName(name, vtcFilePath(vtc), addVtcName);
  if (prepared.values == nullptr || record.name == nullptr) {
    showMessageFormatted("Failed to get access to the %s VMP",
                         displayName.c_str());
    return false;
  }
  std::memcpy(record.name, displayName.c_str(), displayName.size() + 1);
  hostCall(nvSetNRVMPParametersOfCurrentVMR, prepared.index, &record);
  return true;
}

void setMapParameters(MapKind kind, const AnalysisSettings& settings,
                      NRVMPRecord& record) {
  switch (kind) {
    case MapKind::kTsnr:
      record.lowerThreshold = 40.0f;
      record.upperThreshold = 200.0f;
      record.displayOption40 = 1;
      record.displayOption76 = 0;
      record.displayValue80 = 0.8f;
      if (!settings.createOutlierMap) record.selectedMap92 = 1;
      break;
    case MapKind::kOutliers:
      record.lowerThreshold = settings.maxDeviation;
      record.upperThreshold = 8.0f;
      record.selectedMap92 = 1;
      break;
    case MapKind::kLaggedAutocorrelation:
      record.lowerThreshold = 0.3f;
      record.upperThreshold = 1.0f;
      if (!settings.createOutlierMap && !settings.createTSNRMap) {
        record.selectedMap92 = 1;
      }
      break;
  }
}

}  // namespace quorvel
