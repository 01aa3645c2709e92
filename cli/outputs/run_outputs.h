// The files the command writes for one analysed run: each map as a NIfTI
// image with its sidecar, the counts table with its sidecar, and a check
// of the plug-in's own CSV file.
#ifndef QUORVEL_CLI_OUTPUTS_RUN_OUTPUTS_H_
#define QUORVEL_CLI_OUTPUTS_RUN_OUTPUTS_H_

#include <string>
#include <vector>

#include "cli/settings/dialog_settings.h"
#include "cli/session/host_session.h"
#include "cli/session/map_kind.h"
#include "cli/nifti/nifti_image_handle.h"
#include "cli/commands/run_command.h"
#include "cli/commands/run_plan.h"
#include "cli/quality/run_quality.h"

namespace quorvel::cli {

// A map of the run with its kind.
struct RunMap {
  MapKind kind;
  MadeMap map;
};

// The plug-in's per-volume counts of `run`: from its CSV file when it
// writes one (which must be complete, else it is removed and a run error
// thrown), else from its log table, else nothing.
std::optional<VolumeCounts> pluginCounts(const PlannedRun& run, int volumes,
                                         const DialogSettings& settings,
                                         const std::vector<std::string>& log,
                                         const std::filesystem::path& outFolder);

// Writes the outputs of `run` into `outFolder`: `maps` on the grid and
// affine of `runHeader`, the per-volume table of `quality` with its
// sidecar, and the IQM file `iqmText`. Lists the plug-in's CSV file among
// the files when the settings made one. Throws a run error naming the file
// that could not be written.
RunResult writeRunOutputs(const PlannedRun& run, const nifti_image& runHeader,
                          const std::vector<RunMap>& maps,
                          const DialogSettings& settings, const RunQuality& quality,
                          const std::string& iqmText,
                          const std::filesystem::path& outFolder);

// Splits the maps of the VMR into those of each run: the plug-in adds
// `settings.mapsPerRun()` maps per run, TSNR, outliers, autocorrelation.
// Runs the plug-in did not reach get no maps. Throws a run error when the
// maps do not follow that order.
std::vector<std::vector<RunMap>> mapsByRun(const std::vector<MadeMap>& maps,
                                           const DialogSettings& settings,
                                           std::size_t runCount);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_RUN_OUTPUTS_H_
