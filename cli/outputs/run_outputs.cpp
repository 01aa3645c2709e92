#include "cli/outputs/run_outputs.h"

#include <fstream>
#include <system_error>

#include "cli/base/atomic_file.h"
#include "cli/base/atomic_file_stream.h"
#include "cli/base/cli_error.h"
#include "cli/outputs/console_output.h"
#include "cli/outputs/map_files.h"
#include "cli/outputs/mask_file.h"
#include "cli/outputs/sidecars.h"
#include "cli/quality/iqm_files.h"
#include "cli/quality/volume_counts.h"

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
  std::optional<VolumeCounts> counts = parseOutlierCsv(in, volumes);
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
                                         const DialogSettings& settings, LineRange runLog,
                                         const fs::path& outFolder) {
  if (settings.createTemporalOutlierFile) {
    return countsOfCsv(outFolder / run.names.csvName(), volumes);
  }
  if (settings.createTemporalOutlierLogtab) {
    return parseLogTable(runLog, volumes);
  }
  return std::nullopt;
}

namespace {

// The name of the run in the files: the one the user gave.
std::string sourceNameOf(const PlannedRun& run) {
  return run.sourceName.empty() ? fs::path(run.runPath).filename().string() : run.sourceName;
}

// The files of `maps` named for `run` in `outFolder`, without the
// sidecars' text.
std::vector<MapFiles> mapFilesOf(const PlannedRun& run, const std::vector<RunMap>& maps,
                                 const fs::path& outFolder) {
  std::vector<MapFiles> mapFiles;
  for (const RunMap& map : maps) {
    MapFiles files;
    files.values = &map.map.values;
    // The host knows the run as a VTC that exists nowhere; the files name
    // the run the user gave.
    files.description =
        mapNameForRun(map.map.facts.displayName, run.names.vtcName(), sourceNameOf(run));
    files.image = outFolder / run.names.mapName(map.kind);
    files.sidecar = outFolder / run.names.mapSidecarName(map.kind);
    mapFiles.push_back(std::move(files));
  }
  return mapFiles;
}

}  // namespace

void writeRunMapImages(const PlannedRun& run, const nifti_image& runHeader,
                       const std::vector<RunMap>& maps, const fs::path& outFolder,
                       bool sideBySide) {
  writeMapFiles(runHeader, mapFilesOf(run, maps, outFolder), sideBySide, MapFileParts::kImage);
}

RunResult writeRunOutputs(const PlannedRun& run, const nifti_image& runHeader,
                          const std::vector<RunMap>& maps, const AnalysisParameters& parameters,
                          const RunQuality& quality, const std::string& iqmText,
                          const fs::path& outFolder, const std::vector<std::string>& warnings,
                          bool mapsSideBySide, std::future<void>* mapImages) {
  RunResult result;
  result.runPath = run.runPath;
  result.volumes = static_cast<int>(quality.samples.volumes);
  const std::string sourceName = sourceNameOf(run);

  std::vector<MapFiles> mapFiles = mapFilesOf(run, maps, outFolder);
  for (std::size_t k = 0; k < maps.size(); ++k) {
    MapFacts facts = maps[k].map.facts;
    facts.displayName = mapFiles[k].description;
    mapFiles[k].sidecarText = mapSidecarJson(maps[k].kind, facts, sourceName, parameters, warnings);
    result.files.push_back(mapFiles[k].image.string());
    result.files.push_back(mapFiles[k].sidecar.string());
    if (maps[k].kind == MapKind::kTsnr) result.tsnrValues = maps[k].map.values;
  }
  if (mapImages != nullptr && mapImages->valid()) {
    mapImages->get();
    writeMapFiles(runHeader, mapFiles, false, MapFileParts::kSidecar);
  } else {
    writeMapFiles(runHeader, mapFiles, mapsSideBySide);
  }
  if (parameters.dialog.createTemporalOutlierFile) {
    result.files.push_back((outFolder / run.names.csvName()).string());
  }
  const fs::path table = outFolder / run.names.timeseriesName();
  AtomicFileStream tableFile(table, FileCheck::kReadBack);
  forEachTimeseriesLine(quality, [&tableFile](const std::string& line) { tableFile.write(line); });
  tableFile.commit();
  result.files.push_back(table.string());
  const fs::path sidecar = outFolder / run.names.timeseriesSidecarName();
  writeCheckedFileAtomically(sidecar, timeseriesSidecarJson(parameters, sourceName, warnings,
                                                            quality.functional.has_value()));
  result.files.push_back(sidecar.string());
  if (quality.functional && !quality.functional->mask.empty()) {
    const fs::path mask = outFolder / run.names.brainMaskName();
    writeBrainMask(runHeader, quality.functional->mask, mask);
    result.files.push_back(mask.string());
  }
  const fs::path iqms = outFolder / run.names.iqmName();
  writeCheckedFileAtomically(iqms, iqmText);
  result.files.push_back(iqms.string());
  return result;
}

}  // namespace quorvel::cli
