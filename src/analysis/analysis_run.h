// The analysis run of one "Start": every chosen VTC in turn.
#ifndef QUORVEL_ANALYSIS_ANALYSIS_RUN_H_
#define QUORVEL_ANALYSIS_ANALYSIS_RUN_H_

#include <string>
#include <vector>

#include "analysis/analysis_settings.h"
#include "host/host_function_table.h"

namespace quorvel {

// For each of `paths`, in order, links the VTC, makes and names the
// requested maps, computes the voxel statistics, reports the outliers and sets
// the maps' thresholds. Returns true when the run came to its end, also when a
// file could not be linked; false when a failure stopped it (no path at all, a
// map refused or inaccessible, maps and VTC of different sizes, a CSV file that
// cannot be written). The caller saves the settings and logs completion
// only after a true result. What the standard library throws (a failed
// allocation, a file-system error) passes to the caller.
bool runAnalysis(const HostFunctions& host, const AnalysisSettings& settings,
                 const std::vector<std::string>& paths);

}  // namespace quorvel

#endif  // QUORVEL_ANALYSIS_ANALYSIS_RUN_H_
