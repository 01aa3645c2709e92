// --scale: the run's samples multiplied by a factor before the analysis,
// for runs stored at a level the plug-in takes for background.
#ifndef QUORVEL_CLI_NIFTI_SAMPLE_SCALING_H_
#define QUORVEL_CLI_NIFTI_SAMPLE_SCALING_H_

#include "cli/nifti/nifti_run.h"

namespace quorvel::cli {

// Whether `factor` can scale samples: finite and above 0.
bool isUsableScale(double factor);

// Multiplies every sample of `run` by `factor` in double precision and
// stores the products as floats (16-bit runs become float runs), dropping
// the means of the samples as read; a factor of 1 leaves the run as it is. Throws an input error
// naming the run when a finite sample would become infinite.
void scaleSamples(NiftiRun& run, double factor);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_NIFTI_SAMPLE_SCALING_H_
