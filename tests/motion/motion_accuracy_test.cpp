// Motion estimates against runs with known motion, made by resampling a
// phantom with scipy's cubic splines.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cli/motion/run_motion.h"
#include "cli/motion/volume_gather.h"
#include "cli/nifti/nifti_run.h"
#include "known_motion.h"
#include "tests/support/test_files.h"

namespace {

using namespace quorvel::cli;

struct AccuracyCase {
  const char* name;
  const char* options;                 // the generator's
  double translationRms, rotationRms;  // mm, degrees: at most
  double fdCorrelation, meanFdError;   // at least, at most (mm)
  std::size_t referenceVolume;         // the first steady-state volume
};

class KnownMotion : public testing::TestWithParam<AccuracyCase> {};

TEST_P(KnownMotion, EstimateMatchesTruthAndIsTheSameForAnyThreads) {
  const AccuracyCase& c = GetParam();
  quorvel_test::TempFolder folder("motion");
  const std::string path = folder.file("run.nii"), truthPath = folder.file("truth.tsv");
  ASSERT_EQ(known_motion::makeRun(c.options, path, truthPath), 0);
  const NiftiRun run = readNiftiRun(path, 2);
  const std::vector<RigidMotion> truth = known_motion::readTruth(truthPath);
  ASSERT_EQ(truth.size(), static_cast<std::size_t>(run.nt));

  SampleView samples{run.isInt16 ? run.intSamples.data() : nullptr,
                     run.isInt16 ? nullptr : run.floatSamples.data(), run.voxelCount(),
                     static_cast<std::size_t>(run.nt)};
  const MotionGrid grid{{run.nx, run.ny, run.nz},
                        {run.header->pixdim[1], run.header->pixdim[2], run.header->pixdim[3]}};
  std::vector<float> first(run.voxelCount());
  gatherVolumes(samples, 0, 1, first.data());
  const std::vector<std::uint8_t> mask = known_motion::thresholdMask(first.data(), first.size());

  const RunMotion one = estimateRunMotion(samples, grid, mask, {1, {}, {}});
  const RunMotion two = estimateRunMotion(samples, grid, mask, {2, {}, {}});
  ASSERT_EQ(one.unavailable, "");
  EXPECT_EQ(one.referenceVolume, c.referenceVolume);
  ASSERT_EQ(one.volumes.size(), truth.size());
  EXPECT_EQ(
      std::memcmp(one.volumes.data(), two.volumes.data(), one.volumes.size() * sizeof(RigidMotion)),
      0);

  const known_motion::Accuracy a = known_motion::compare(one.volumes, truth, one.referenceVolume);
  std::printf(
      "%s: translation RMS %.4f mm, rotation RMS %.4f deg, FD r %.4f, mean FD %.4f "
      "(true %.4f)\n",
      c.name, a.translationRms, a.rotationRms, a.fdCorrelation, a.estimatedMeanFd, a.trueMeanFd);
  EXPECT_LE(a.translationRms, c.translationRms);
  EXPECT_LE(a.rotationRms, c.rotationRms);
  EXPECT_GE(a.fdCorrelation, c.fdCorrelation);
  EXPECT_LE(a.meanFdError, c.meanFdError);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, KnownMotion,
    testing::Values(
        // Moved on a grid twice as fine and averaged, so the truth's
        // resampling is not the estimator's interpolation.
        AccuracyCase{"noise_free", "--size 40 40 24 --volumes 12 --oversample 2 --seed 3", 0.02,
                     0.02, 0.999, 0.02, 0},
        AccuracyCase{"noisy_int16", "--size 48 48 30 --volumes 24 --tsnr 50 100 --int16 --seed 5",
                     0.1, 0.1, 0.98, 0.05, 0},
        AccuracyCase{"two_slices_in_plane", "--size 48 48 2 --volumes 16 --in-plane --seed 7", 0.05,
                     0.05, 0.99, 0.03, 0},
        // Brighter first volumes: the reference is the first steady one, a
        // resampled volume itself, and the truth is taken relative to it.
        AccuracyCase{"after_dummy_volumes", "--size 40 40 24 --volumes 16 --dummies 2 --seed 9",
                     0.05, 0.05, 0.99, 0.05, 2}),
    [](const testing::TestParamInfo<AccuracyCase>& info) { return std::string(info.param.name); });

}  // namespace
