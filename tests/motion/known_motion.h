// Runs with known motion, made by the generator script beside this file,
// and how far an estimate lies from their truth.
#ifndef QUORVEL_TESTS_MOTION_KNOWN_MOTION_H_
#define QUORVEL_TESTS_MOTION_KNOWN_MOTION_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/motion/motion_grid.h"
#include "cli/motion/rigid_motion.h"

namespace known_motion {

// Runs the generator: writes `run` (NIfTI) and `truth` (TSV) with the
// generator's options `options` (e.g. "--volumes 24 --tsnr 50 100").
// Returns the generator's exit status.
int makeRun(const std::string& options, const std::string& run, const std::string& truth);

// The motion in the truth TSV `path`, one per volume; empty when unreadable.
std::vector<quorvel::cli::RigidMotion> readTruth(const std::string& path);

// The mask the accuracy checks use: voxels of `volume` above 60% of its
// largest value: the brain, without the scalp or the background.
std::vector<std::uint8_t> thresholdMask(const float* volume, std::size_t voxels);

// How an estimate compares with the truth, both over every volume.
struct Accuracy {
  double translationRms = 0;  // mm, over volumes and axes
  double rotationRms = 0;     // degrees, over volumes and axes
  double fdCorrelation = 0;   // Pearson, volumes 1 ... t-1
  double meanFdError = 0;     // |mean FD - true mean FD|, mm
  double trueMeanFd = 0, estimatedMeanFd = 0;
};

// Compares `estimate` (relative to volume `reference`) with `truth`
// (relative to volume 0), re-expressed relative to the same volume.
Accuracy compare(const std::vector<quorvel::cli::RigidMotion>& estimate,
                 const std::vector<quorvel::cli::RigidMotion>& truth, std::size_t reference);

}  // namespace known_motion

#endif  // QUORVEL_TESTS_MOTION_KNOWN_MOTION_H_
