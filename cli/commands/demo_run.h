// The built-in synthetic run of `quorvel demo`: a brain-shaped ellipsoid
// around 1000 on a background near 0, with Gaussian noise from a fixed
// seed, slow drift, AR(1) temporal autocorrelation, a few spike volumes and
// a short step, so that every part of the analysis has something to find.
#ifndef QUORVEL_CLI_COMMANDS_DEMO_RUN_H_
#define QUORVEL_CLI_COMMANDS_DEMO_RUN_H_

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quorvel::cli {

// Shape and disturbances of the synthetic run.
struct DemoRunShape {
  int nx = 40, ny = 48, nz = 24, nt = 120;
  double brainLevel = 1000.0;  // mean inside the ellipsoid
  double noiseSd = 10.0;       // innovation sd of the AR(1) noise
  double arCoefficient = 0.3;  // AR(1) coefficient of the noise
  double driftAmplitude = 12.0;
  std::vector<int> spikeVolumes{30, 71, 104};  // counted from 0
  int stepFirstVolume = 50;                    // counted from 0
  int stepLength = 4;
  double spikeSize = 90.0;  // added in the spike volumes, in part of the brain
  double stepSize = 70.0;   // added during the step, in part of the brain
  std::uint32_t seed = 20240611u;
};

// The samples of the synthetic run, volume after volume (x fastest), as
// 16-bit integers. The same shape always gives the same samples.
std::vector<std::int16_t> makeDemoSamples(const DemoRunShape& shape);

// Writes the synthetic run as a gzipped 16-bit NIfTI-1 file with 3 mm
// voxels and a TR of 2 s, through a temporary file. Throws a run error.
void writeDemoRun(const DemoRunShape& shape, const std::filesystem::path& path);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_COMMANDS_DEMO_RUN_H_
