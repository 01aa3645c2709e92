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

namespace quorvel::cli {

// A map of the run with its kind.
struct RunMap {
  MapKind kind;
  MadeMap map;
};

// Writes the outputs of `run` into `outFolder`: `maps` on the grid and
// affine of `runHeader`, and the counts of the plug-in's CSV file (which
// must be complete, else it is removed) or, without one, of its log table.
// Throws a run error naming the file that could not be written or checked.
RunResult writeRunOutputs(const PlannedRun& run, const nifti_image& runHeader,
                          int volumes, const std::vector<RunMap>& maps,
                          const DialogSettings& settings,
                          const std::vector<std::string>& log,
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
