// The files the command writes for one analysed run: each map as a NIfTI
// image with its sidecar, the counts table with its sidecar, and a check
// of the plug-in's own CSV file.
#ifndef QUORVEL_CLI_OUTPUTS_RUN_OUTPUTS_H_
#define QUORVEL_CLI_OUTPUTS_RUN_OUTPUTS_H_

#include <future>
#include <string>
#include <vector>

#include "cli/nifti/nifti_image_handle.h"
#include "cli/outputs/run_options.h"
#include "cli/outputs/run_plan.h"
#include "cli/outputs/run_result.h"
#include "cli/quality/run_quality.h"
#include "cli/session/host_session.h"
#include "cli/session/map_kind.h"
#include "cli/settings/analysis_parameters.h"
#include "cli/settings/dialog_settings.h"

namespace quorvel::cli {

// A map of the run with its kind.
struct RunMap {
  MapKind kind;
  MadeMap map;
};

// The plug-in's per-volume counts of `run`: from its CSV file when it
// writes one (which must be complete, else it is removed and a run error
// thrown), else from its log table in `runLog` (the lines it logged while
// the run was linked), else nothing.
std::optional<VolumeCounts> pluginCounts(const PlannedRun& run, int volumes,
                                         const DialogSettings& settings, LineRange runLog,
                                         const std::filesystem::path& outFolder);

// Writes the outputs of `run` into `outFolder`: `maps` on the grid and
// affine of `runHeader`, the per-volume table of `quality` with its
// sidecar, and the IQM file `iqmText`. Lists the plug-in's CSV file among
// the files when the settings made one. Throws a run error naming the file
// that could not be written. `warnings` go into every sidecar. The files
// are not flushed to disk: `outFolder` is a staging folder, flushed as a
// whole when it is committed. With `mapsSideBySide` each map is written on
// a thread of its own. With `mapImages` the maps' images are being written
// by it (see writeRunMapImages): it is waited for, and only their sidecars
// are written here.
RunResult writeRunOutputs(const PlannedRun& run, const nifti_image& runHeader,
                          const std::vector<RunMap>& maps, const AnalysisParameters& parameters,
                          const RunQuality& quality, const std::string& iqmText,
                          const std::filesystem::path& outFolder,
                          const std::vector<std::string>& warnings = {},
                          bool mapsSideBySide = false, std::future<void>* mapImages = nullptr);

// Writes the images of `maps` as writeRunOutputs would, and nothing else:
// they need nothing from the run's statistics, so they can be written
// while those are computed.
void writeRunMapImages(const PlannedRun& run, const nifti_image& runHeader,
                       const std::vector<RunMap>& maps, const std::filesystem::path& outFolder,
                       bool sideBySide);

// The maps the plug-in made while `linked` was linked, with their kinds:
// the requested ones in the order TSNR, outliers, autocorrelation. Throws a
// run error naming the run when their number is not the requested one.
std::vector<RunMap> mapsOfRun(const LinkedVtc& linked, const std::vector<MadeMap>& maps,
                              const DialogSettings& settings, const std::string& runPath);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_OUTPUTS_RUN_OUTPUTS_H_
