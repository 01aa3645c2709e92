#include "analysis/analysis_run.h"

#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analysis/analysis_settings.h"
#include "analysis/map_preparation.h"
#include "analysis/temporal_outlier_report.h"
#include "analysis/voxel_statistics.h"
#include "analysis/vtc_geometry.h"
#include "host/host_call.h"
#include "host/host_records.h"
#include "host/host_text.h"

namespace quorvel {
namespace {

// How one file's pass ends.
enum class PassOutcome {
  kAnalysed,   // go on with the next file
  kLeaveLoop,  // this file could not be analysed; the run still completes
  kStopRun,    // the run fails: no later file, settings not saved
};

// One file's pass: link, check, make the maps, compute, report, and set the
// maps' thresholds. Everything it allocates is released on every way out.
PassOutcome analyseVtc(const HostFunctions& host, const std::string& path,
                       bool isLastPath, const AnalysisSettings& settings,
                       NRVMPsHeader& maps) {
  if (hostCall(host.linkVTCToCurrentVMR, path.c_str(), 1) == 0) {
    logFormatted(host, "Failed loading on this VMR: %s", path.c_str());
    return PassOutcome::kLeaveLoop;
  }
  logFormatted(host, "Successfully loaded %s", path.c_str());

  auto header = std::make_unique<VTCHeader>();
  hostCall(host.getHeaderOfVTCOfCurrentVMR, header.get());
  const std::string problem = findVtcHeaderProblem(*header);
  if (!problem.empty()) {
    logFormatted(host, "Invalid VTC header in %s: %s", path.c_str(),
                 problem.c_str());
    return PassOutcome::kLeaveLoop;
  }
  const VtcDimensions dimensions = vtcDimensions(*header);
  logFormatted(host, "VTC dimensions x:%i, y:%i, z:%i, t:%i", dimensions.x,
               dimensions.y, dimensions.z, dimensions.t);

  VtcSamples samples;
  if (header->dataType == kVTCDataTypeFloat) {
    samples.floatSamples = hostCall(host.getVTCFloatDataOfCurrentVMR);
  } else {
    samples.intSamples = hostCall(host.getVTCIntDataOfCurrentVMR);
  }
  if (samples.floatSamples == nullptr && samples.intSamples == nullptr) {
    logFormatted(host, "No VTC data available for %s", path.c_str());
    return PassOutcome::kLeaveLoop;
  }

  // Allocated before any map is made, so that a VTC too long for the
  // memory left leaves no half-made maps behind.
  std::unique_ptr<VoxelWorkArrays> work;
  try {
    work = std::make_unique<VoxelWorkArrays>(dimensions.t);
  } catch (const std::bad_alloc&) {
    logFormatted(host, "Not enough memory to analyse %s", path.c_str());
    return PassOutcome::kLeaveLoop;
  }

  std::unique_ptr<NRVMPRecord> records[kMapKindCount];
  PreparedMap prepared[kMapKindCount];
  bool anyMapMade = false;
  for (const MapKind kind : kMapKinds) {
    if (!isMapRequested(kind, settings)) continue;
    if (hostCall(host.createNRVMPsForCurrentVMR, 1, 0, 0, 0) == 0) {
      showMessage(host, "Failed to add VMPs");
      return PassOutcome::kStopRun;
    }
    const auto k = static_cast<std::size_t>(kind);
    records[k] = std::make_unique<NRVMPRecord>();
    if (!prepareNewMap(host, mapName(kind), *header, settings.addVtcName, maps,
                       *records[k], prepared[k])) {
      return PassOutcome::kStopRun;
    }
    anyMapMade = true;
  }
  if (anyMapMade && !mapDimensionsMatch(maps, dimensions)) {
    logText(host,
            "Dimensions of VTC and VMP don't match\nUnexpected end of Plugin");
    return PassOutcome::kStopRun;
  }

  logText(host, "Starting calculations");
  MapValueArrays values;
  // A map that was not requested has no array: the kernel skips it.
  values.tsnr = prepared[static_cast<std::size_t>(MapKind::kTsnr)].values;
  values.outliers =
      prepared[static_cast<std::size_t>(MapKind::kOutliers)].values;
  values.laggedAutocorrelation =
      prepared[static_cast<std::size_t>(MapKind::kLaggedAutocorrelation)]
          .values;
  computeVoxelStatistics(samples, dimensions, settings.maxDeviation,
                         settings.spikeDef, values, *work);

  if (!reportTemporalOutliers(host, dimensions.t, work->outlierCounts.data(),
                              work->spikeCounts.data(), settings,
                              vtcFilePath(*header))) {
    return PassOutcome::kStopRun;
  }

  for (const MapKind kind :
       {MapKind::kOutliers, MapKind::kTsnr, MapKind::kLaggedAutocorrelation}) {
    const auto k = static_cast<std::size_t>(kind);
    if (!records[k]) continue;
    setMapParameters(kind, settings, *records[k]);
    hostCall(host.setNRVMPParametersOfCurrentVMR, prepared[k].index,
             records[k].get());
  }

  if (isLastPath) hostCall(host.linkVTCToCurrentVMR, path.c_str(), 0);
  return PassOutcome::kAnalysed;
}

}  // namespace

bool runAnalysis(const HostFunctions& host, const AnalysisSettings& settings,
                 const std::vector<std::string>& paths) {
  if (paths.empty()) return false;

  int vmrA = 0, vmrB = 0, vmrC = 0;
  hostCall(host.getCurrentVMR, &vmrA, &vmrB, &vmrC);
  if (settings.deleteOtherVmps) hostCall(host.deleteNRVMPsOfCurrentVMR);

  auto maps = std::make_unique<NRVMPsHeader>();
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const bool isLastPath = i + 1 == paths.size();
    const PassOutcome outcome =
        analyseVtc(host, paths[i], isLastPath, settings, *maps);
    if (outcome == PassOutcome::kStopRun) return false;
    if (outcome == PassOutcome::kLeaveLoop) break;
  }
  return true;
}

}  // namespace quorvel
