#include "cli/outputs/run_outputs.h"

#include <fstream>
#include <sstream>
#include <system_error>

#include "cli/commands/cli_error.h"
#include "cli/outputs/atomic_file.h"
#include "cli/outputs/console_output.h"
#include "cli/outputs/map_files.h"
#include "cli/outputs/sidecars.h"
#include "cli/quality/iqm_files.h"
#include "cli/session/volume_counts.h"

namespace quorvel::cli {
namespace fs = std::filesystem;
namespace {

std::vector<MapKind> requestedKinds(const DialogSettings& settings) {
  std::vector<MapKind> kinds;
  if (settings.createTSNRMap) kinds.push_back(MapKind::kTsnr);
  if (settings.createOutlierMap) kinds.push_back(MapKind::kOutliers);
  if (settings.createLaggedAutocorMap) kinds.push_back(MapKind::kLaggedAutocorrelation);
  return kinds;
}

// The counts of the plug-in's CSV file of `run`; a file that is not
// complete is removed, so that it cannot be taken for a result.
VolumeCounts countsOfCsv(const fs::path& csvPath, int volumes) {
  std::ifstream in(csvPath, std::ios::binary);
  if (!in) {
    throw runError(csvPath.string() + ": the plug-in's CSV file is missing");
  }
  std::ostringstream text;
  text << in.rdbuf();
  std::optional<VolumeCounts> counts = parseOutlierCsv(text.str(), volumes);
  if (!counts) {
    std::error_code ignored;
    fs::remove(csvPath, ignored);
    throw runError(csvPath.string() +
                   ": the plug-in's CSV file is incomplete (expected a header "
                   "and " +
                   std::to_string(volumes) + " rows); it was removed");
  }
  return *counts;
}

}  // namespace

std::vector<RunMap> mapsOfRun(const LinkedVtc& linked, const std::vector<MadeMap>& maps,
                              const DialogSettings& settings, const std::string& runPath) {
  const std::vector<MapKind> kinds = requestedKinds(settings);
  if (linked.mapIndices.size() != kinds.size()) {
    throw runError(runPath + ": the plug-in made " + std::to_string(linked.mapIndices.size()) +
                   " maps for it; " + std::to_string(kinds.size()) + " were requested");
  }
  std::vector<RunMap> runMaps;
  for (std::size_t k = 0; k < kinds.size(); ++k) {
    const std::size_t index = linked.mapIndices[k];
    if (index >= maps.size()) {
      throw runError(runPath + ": map " + std::to_string(index + 1) +
                     " the plug-in made for it is gone from the VMR");
    }
    runMaps.push_back(RunMap{kinds[k], maps[index]});
  }
  return runMaps;
}

std::optional<VolumeCounts> pluginCounts(const PlannedRun& run, int volumes,
                                         const DialogSettings& settings,
                                         const std::vector<std::string>& runLog,
                                         const fs::path& outFolder) {
  if (settings.createTemporalOutlierFile) {
    return countsOfCsv(outFolder / run.names.csvName(), volumes);
  }
  if (settings.createTemporalOutlierLogtab) {
    return parseLogTable(runLog, volumes);
  }
  return std::nullopt;
}

RunResult writeRunOutputs(const PlannedRun& run, const nifti_image& runHeader,
                          const std::vector<RunMap>& maps, const AnalysisParameters& parameters,
                          const RunQuality& quality, const std::string& iqmText,
                          const fs::path& outFolder, const std::vector<std::string>& warnings,
                          bool mapsSideBySide) {
  RunResult result;
  result.runPath = run.runPath;
  result.volumes = static_cast<int>(quality.samples.volumes);
  result.counts = quality.counts;
  const std::string sourceName =
      run.sourceName.empty() ? fs::path(run.runPath).filename().string() : run.sourceName;

  std::vector<MapFiles> mapFiles;
  for (const RunMap& map : maps) {
    // The host knows the run as a VTC that exists nowhere; the files name
    // the run the user gave.
    MapFacts facts = map.map.facts;
    facts.displayName = mapNameForRun(facts.displayName, run.names.vtcName(), sourceName);
    MapFiles files;
    files.values = &map.map.values;
    files.description = facts.displayName;
    files.image = outFolder / run.names.mapName(map.kind);
    files.sidecar = outFolder / run.names.mapSidecarName(map.kind);
    files.sidecarText = mapSidecarJson(map.kind, facts, sourceName, parameters, warnings);
    result.files.push_back(files.image.string());
    result.files.push_back(files.sidecar.string());
    mapFiles.push_back(std::move(files));
    if (map.kind == MapKind::kTsnr) result.tsnrValues = map.map.values;
  }
  writeMapFiles(runHeader, mapFiles, mapsSideBySide);
  if (parameters.dialog.createTemporalOutlierFile) {
    result.files.push_back((outFolder / run.names.csvName()).string());
  }
  const fs::path table = outFolder / run.names.timeseriesName();
  writeCheckedFileAtomically(table, qualityTimeseriesTsv(quality));
  result.files.push_back(table.string());
  const fs::path sidecar = outFolder / run.names.timeseriesSidecarName();
  writeCheckedFileAtomically(sidecar, timeseriesSidecarJson(parameters, sourceName, warnings));
  result.files.push_back(sidecar.string());
  const fs::path iqms = outFolder / run.names.iqmName();
  writeCheckedFileAtomically(iqms, iqmText);
  result.files.push_back(iqms.string());
  return result;
}

}  // namespace quorvel::cli
