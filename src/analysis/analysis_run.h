// The analysis run of one "Start": every listed (or the linked) VTC in turn.
#ifndef QUORVEL_ANALYSIS_ANALYSIS_RUN_H_
#define QUORVEL_ANALYSIS_ANALYSIS_RUN_H_

#include "dialog/analysis_settings.h"

namespace quorvel {

// Chooses the VTCs from the dialog's "FileList" (or the VTC linked to the
// current VMR), and for each links it, makes and names the requested maps,
// computes the voxel statistics, reports the outliers and sets the maps'
// thresholds. Returns true when the run came to its end, also when a file
// could not be linked; false when a failure stopped it (no VTC at all, a map
// refused or inaccessible, maps and VTC of different sizes, a CSV file that
// cannot be written). The caller saves the settings and logs completion
// only after a true result.
bool runAnalysis(const AnalysisSettings& settings);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_ANALYSIS_RUN_H_
