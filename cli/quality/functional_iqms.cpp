#include "cli/quality/functional_iqms.h"

#include "cli/quality/brain_mask.h"
#include "cli/quality/temporal_images.h"

namespace quorvel::cli {

FunctionalIqms steadyStateBrain(const SampleView& samples, const VoxelGrid& grid, unsigned threads,
                                const VoxelMask* givenMask) {
  FunctionalIqms iqms;
  if (samples.empty() || samples.volumes == 0 || samples.voxels != grid.voxels()) return iqms;
  SteadyStateMeans means = steadyStateMeans(samples, threads);
  iqms.dummy = means.dummy;
  iqms.maskGiven = givenMask != nullptr;
  iqms.mask = givenMask != nullptr ? *givenMask : automaticBrainMask(means.mean, grid);
  iqms.maskVoxels = maskCount(iqms.mask);
  iqms.meanImage = std::move(means.mean);
  return iqms;
}

void addMaskedIqms(const SampleView& samples, const VoxelGrid& grid, unsigned threads,
                   FunctionalIqms* iqms) {
  if (iqms->meanImage.empty()) return;
  iqms->temporal = temporalIqms(samples, iqms->mask, iqms->dummy, threads);
  iqms->quality = qualityIndex(samples, iqms->temporal.medianImage, iqms->dummy, threads);
  iqms->image = imageIqms(iqms->meanImage, iqms->mask, grid);
  iqms->smoothness = firstDifferenceFwhm(iqms->meanImage, iqms->mask, grid);
}

FunctionalIqms computeFunctionalIqms(const SampleView& samples, const VoxelGrid& grid,
                                     unsigned threads, const VoxelMask* givenMask) {
  FunctionalIqms iqms = steadyStateBrain(samples, grid, threads, givenMask);
  addMaskedIqms(samples, grid, threads, &iqms);
  return iqms;
}

}  // namespace quorvel::cli
