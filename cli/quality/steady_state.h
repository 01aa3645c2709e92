// The volumes at the start of a run taken before the scanner reached a
// steady state (dummy scans), by the rule fMRIPrep and MRIQC use (nipype's
// NonSteadyStateDetector): over the first 50 volumes, the global signal's
// modified z-score 0.6745 |g_v - median| / MAD (Iglewicz & Hoaglin 1993)
// exceeds 3.5 for every volume from the first on.
#ifndef QUORVEL_CLI_QUALITY_STEADY_STATE_H_
#define QUORVEL_CLI_QUALITY_STEADY_STATE_H_

#include <cstddef>
#include <vector>

namespace quorvel::cli {

// Volumes at the start of a run the rule looks at.
constexpr std::size_t kSteadyStateWindow = 50;
// The modified z-score above which a volume is not yet at steady state.
constexpr double kSteadyStateScore = 3.5;

// Leading volumes of `globalSignal` (the mean over the grid of each of the
// first volumes, at most kSteadyStateWindow) whose modified z-score
// exceeds kSteadyStateScore. With a MAD of 0 a volume counts when it
// differs from the median at all. Never all of them.
std::size_t nonSteadyStateVolumes(const std::vector<double>& globalSignal);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_STEADY_STATE_H_
