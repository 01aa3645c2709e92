// Speed and accuracy of the head-motion estimate on a run with known
// motion: by default a 64 x 64 x 40 x 600 float run made by the generator
// script with AR(1) noise (TSNR 50-100), or the run and truth given.
//
// Usage: motion_bench [--rounds N] [--run FILE.nii --truth FILE.tsv]
//                     [--generator-options "..."] [--fine-points N]
//                     [--coarse-points N]
// Prints the read, the motion on 1 and 2 threads (medians of the rounds),
// their ratios, and the accuracy against the truth.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_timing.h"
#include "cli/motion/framewise_displacement.h"
#include "cli/motion/run_motion.h"
#include "cli/motion/volume_gather.h"
#include "cli/nifti/nifti_run.h"
#include "fastest_read.h"
#include "known_motion.h"

namespace {

using namespace quorvel::cli;
using Clock = std::chrono::steady_clock;

double seconds(Clock::time_point since) {
  return std::chrono::duration<double>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 3;
  std::string run, truth;
  RealignmentPoints points;
  std::string options = "--size 64 64 40 --volumes 600 --tsnr 50 100 --seed 11";
  for (int a = 1; a + 1 < argc; a += 2) {
    const std::string flag = argv[a];
    if (flag == "--rounds")
      rounds = std::max(1, std::atoi(argv[a + 1]));
    else if (flag == "--run")
      run = argv[a + 1];
    else if (flag == "--truth")
      truth = argv[a + 1];
    else if (flag == "--generator-options")
      options = argv[a + 1];
    else if (flag == "--fine-points")
      points.fine = std::strtoul(argv[a + 1], nullptr, 10);
    else if (flag == "--coarse-points")
      points.coarse = std::strtoul(argv[a + 1], nullptr, 10);
  }
  std::filesystem::path work;
  if (run.empty()) {
    work = std::filesystem::temp_directory_path() /
           ("motion_bench." + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    run = (work / "known_motion.nii").string();
    truth = (work / "known_motion.tsv").string();
    std::printf("Making %s (%s)\n", run.c_str(), options.c_str());
    if (known_motion::makeRun(options, run, truth) != 0) {
      std::fprintf(stderr, "motion_bench: the generator failed\n");
      return 1;
    }
  }

  std::vector<double> reads;
  NiftiRun nifti;
  for (int r = 0; r < rounds; ++r) {
    const auto start = Clock::now();
    nifti = readNiftiRun(run, 2);
    reads.push_back(seconds(start));
  }
  const SampleView samples{nifti.isInt16 ? nifti.intSamples.data() : nullptr,
                           nifti.isInt16 ? nullptr : nifti.floatSamples.data(),
                           nifti.voxelCount(),
                           static_cast<std::size_t>(nifti.nt)};
  const MotionGrid grid{{nifti.nx, nifti.ny, nifti.nz},
                        {nifti.header->pixdim[1], nifti.header->pixdim[2],
                         nifti.header->pixdim[3]}};
  std::vector<float> first(nifti.voxelCount());
  gatherVolumes(samples, 0, 1, first.data());
  const std::vector<std::uint8_t> mask =
      known_motion::thresholdMask(first.data(), first.size());

  std::vector<double> plainReads, gathers, one, two, oneCpu, twoCpu;
  std::uint64_t folded = 0;
  RunMotion motion;
  std::vector<float> all(static_cast<std::size_t>(kMotionBlockVolumes) *
                         nifti.voxelCount());
  for (int r = 0; r < rounds; ++r) {
    auto start = Clock::now();
    folded += samples.int16Samples != nullptr
                  ? foldEveryByte(samples.int16Samples,
                                  samples.voxels * samples.volumes * 2)
                  : foldEveryByte(samples.floatSamples,
                                  samples.voxels * samples.volumes * 4);
    plainReads.push_back(seconds(start));
    start = Clock::now();
    for (std::size_t v = 0; v < samples.volumes; v += kMotionBlockVolumes) {
      gatherVolumes(samples, v,
                    std::min(kMotionBlockVolumes, samples.volumes - v),
                    all.data());
    }
    gathers.push_back(seconds(start));
    start = Clock::now();
    double cpu = cpuSeconds();
    motion = estimateRunMotion(samples, grid, mask, {1, {}, points});
    one.push_back(seconds(start));
    oneCpu.push_back(cpuSeconds() - cpu);
    start = Clock::now();
    cpu = cpuSeconds();
    const RunMotion again =
        estimateRunMotion(samples, grid, mask, {2, {}, points});
    two.push_back(seconds(start));
    twoCpu.push_back(cpuSeconds() - cpu);
    if (std::memcmp(again.volumes.data(), motion.volumes.data(),
                    motion.volumes.size() * sizeof(RigidMotion)) != 0) {
      std::fprintf(stderr,
                   "motion_bench: 1 and 2 threads gave different estimates\n");
      return 1;
    }
  }
  if (!motion.unavailable.empty()) {
    std::fprintf(stderr, "motion_bench: no motion: %s\n",
                 motion.unavailable.c_str());
    return 1;
  }
  const double volumes = static_cast<double>(samples.volumes);
  std::printf("Run %s: %d x %d x %d x %d, reference volume %zu\n", run.c_str(),
              nifti.nx, nifti.ny, nifti.nz, nifti.nt, motion.referenceVolume);
  std::printf("read (2 threads)            %8.1f ms\n", 1e3 * median(reads));
  std::printf("one plain read of the samples %7.1f ms (fold %llu)\n",
              1e3 * median(plainReads),
              static_cast<unsigned long long>(folded & 1));
  std::printf("gathering every volume      %8.1f ms (%.2f plain reads)\n",
              1e3 * median(gathers), median(gathers) / median(plainReads));
  std::printf(
      "motion, 1 thread            %8.1f ms wall, %8.1f ms CPU (%.3f ms CPU "
      "per volume)\n",
      1e3 * median(one), 1e3 * median(oneCpu), 1e3 * median(oneCpu) / volumes);
  std::printf(
      "motion, 2 threads           %8.1f ms wall, %8.1f ms CPU (%.3f ms CPU "
      "per volume)\n",
      1e3 * median(two), 1e3 * median(twoCpu), 1e3 * median(twoCpu) / volumes);
  std::printf("motion (2 threads) / read   %8.2f\n",
              median(two) / median(reads));
  if (!truth.empty()) {
    const auto truthMotion = known_motion::readTruth(truth);
    if (truthMotion.size() == motion.volumes.size()) {
      const known_motion::Accuracy a = known_motion::compare(
          motion.volumes, truthMotion, motion.referenceVolume);
      std::printf(
          "accuracy: translation RMS %.4f mm, rotation RMS %.4f deg, FD r "
          "%.4f, "
          "mean FD %.4f mm (true %.4f, error %.4f)\n",
          a.translationRms, a.rotationRms, a.fdCorrelation, a.estimatedMeanFd,
          a.trueMeanFd, a.meanFdError);
    }
  }
  if (!work.empty()) std::filesystem::remove_all(work);
  return 0;
}
