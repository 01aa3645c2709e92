#include "analysis/analysis_run.h"

namespace quorvel {

bool runAnalysis(const AnalysisSettings&) { return true; }

}  // namespace quorvel
