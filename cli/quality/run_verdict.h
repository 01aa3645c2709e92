// Whether a run needs a look, from the IQMs on its brain mask and
// steady-state volumes, each against a documented threshold: the findings
// in words, with volumes numbered from 1, and a summary line.
#ifndef QUORVEL_CLI_QUALITY_RUN_VERDICT_H_
#define QUORVEL_CLI_QUALITY_RUN_VERDICT_H_

#include <cstddef>
#include <string>
#include <vector>

#include "cli/quality/functional_iqms.h"
#include "cli/quality/motion_numbers.h"

namespace quorvel::cli {

// A volume with more than this fraction of the mask's voxels outlying
// (aor) is marked: the limit afni_proc.py's examples censor volumes at.
constexpr double kAorVolumeLimit = 0.05;
// A standardised DVARS (dvars_std) above this marks a volume: a change
// between volumes half as large again as the noise explains.
constexpr double kDvarsStdVolumeLimit = 1.5;
// A median TSNR in the brain mask below this is poor for BOLD work.
constexpr double kTsnrLimit = 40.0;

// A mean framewise displacement above this, in mm, or more than this
// percentage of volumes above the FD threshold, marks the run: the
// stringent exclusion criteria of Parkes et al. 2018 (NeuroImage 171).
constexpr double kFdMeanLimit = 0.25;
constexpr double kFdPercLimit = 20.0;

// What the run's IQMs say.
struct RunVerdict {
  bool check = false;                 // some finding needs a look
  std::vector<std::string> findings;  // one sentence each
  std::string summary;                // one line: "check this run: ..." or "no finding"
  std::vector<std::size_t> aorVolumes, dvarsVolumes;  // marked volumes, from 0
};

// The verdict on `iqms` and, when given, the run's head `motion`; an empty
// brain mask is itself a finding.
RunVerdict runVerdict(const FunctionalIqms& iqms, const MotionNumbers* motion = nullptr);

// "10, 31-34 and 72" for whole numbers in increasing order.
std::string rangesText(const std::vector<long>& numbers);

// The chance that at least one of `voxels` voxels of pure normal noise lies
// more than `deviations` standard deviations from its mean in a volume:
// the level the plug-in's per-voxel counts reach by chance.
double chanceOfOutlyingVoxel(double deviations, std::size_t voxels);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_RUN_VERDICT_H_
