// The field's standard functional IQMs of one run, under MRIQC's names
// and definitions, computed beside the plug-in's own numbers from the same
// samples: the non-steady-state volumes at the start, a brain mask (from
// the run's mean image unless one is given), and every IQM on the mask
// and the steady-state volumes. docs/quality-numbers.md gives each
// definition and where it comes from.
#ifndef QUORVEL_CLI_QUALITY_FUNCTIONAL_IQMS_H_
#define QUORVEL_CLI_QUALITY_FUNCTIONAL_IQMS_H_

#include <cstddef>

#include "cli/quality/image_iqms.h"
#include "cli/quality/quality_index.h"
#include "cli/quality/sample_view.h"
#include "cli/quality/smoothness.h"
#include "cli/quality/temporal_iqms.h"
#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// Everything the IQM file, the per-volume table and the report take from
// the run's samples besides the plug-in's numbers.
struct FunctionalIqms {
  std::size_t dummy = 0;  // non-steady-state volumes at the start
  VoxelMask mask;         // the brain mask the IQMs use
  bool maskGiven = false;
  std::size_t maskVoxels = 0;
  VoxelImage meanImage;  // each voxel's mean over the steady-state volumes
  TemporalIqms temporal;
  QualityIndex quality;
  ImageIqms image;
  Smoothness smoothness;
};

// The IQMs of `samples` laid out on `grid`, computed by up to `threads`
// threads, the same bits for any number; with `givenMask` (the grid's
// size) in place of the automatic brain mask. steadyStateBrain() followed
// by addMaskedIqms().
FunctionalIqms computeFunctionalIqms(const SampleView& samples, const VoxelGrid& grid,
                                     unsigned threads, const VoxelMask* givenMask = nullptr);

// The first step alone, which the head motion shares: only `dummy`, the
// mask and the mean image are set.
FunctionalIqms steadyStateBrain(const SampleView& samples, const VoxelGrid& grid, unsigned threads,
                                const VoxelMask* givenMask = nullptr);

// Adds to `iqms`, made by steadyStateBrain() from the same run, every IQM
// on its mask and steady-state volumes.
void addMaskedIqms(const SampleView& samples, const VoxelGrid& grid, unsigned threads,
                   FunctionalIqms* iqms);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_FUNCTIONAL_IQMS_H_
