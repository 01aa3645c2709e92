#include "synthetic_report.h"

#include <cmath>
#include <random>

namespace report_test {

using namespace quorvel::cli::report;

RunPageInput syntheticRunPage(const std::string& runName, int nx, int ny, int nz, int volumes,
                              std::size_t carpetRows) {
  RunPageInput input;
  input.runName = runName;
  input.grid = VolumeGrid{nx, ny, nz, 3.0, 3.0, 3.5};
  input.volumes = volumes;
  input.repetitionTime = 2.0;
  input.parameters = {{"Outlier threshold", "4 SD"}, {"Spike threshold", "3 SD"}};

  // An ellipsoid of samples near 1000 over noise near 20, in the host's
  // layout, with whole-brain spikes in volumes 10 and 30.
  std::mt19937 random(7);
  std::normal_distribution<float> noise(0.0f, 1.0f);
  const std::size_t voxels = static_cast<std::size_t>(nx) * ny * nz;
  std::vector<float> samples(voxels * volumes);
  for (int z = 0; z < nz; ++z) {
    for (int y = 0; y < ny; ++y) {
      for (int x = 0; x < nx; ++x) {
        const double rx = (x - nx / 2.0) / (nx * 0.4), ry = (y - ny / 2.0) / (ny * 0.45),
                     rz = (z - nz / 2.0) / (nz * 0.5);
        const bool brain = rx * rx + ry * ry + rz * rz < 1.0;
        const std::size_t voxel = (static_cast<std::size_t>(z) * ny + y) * nx + x;
        for (int t = 0; t < volumes; ++t) {
          float value = brain ? 1000.0f + 10.0f * noise(random) : 20.0f + 5.0f * noise(random);
          if (brain && (t == 9 || t == 29)) value += 60.0f;
          samples[voxel * volumes + t] = value;
        }
      }
    }
  }
  HostSamples host;
  host.floatSamples = samples.data();
  host.voxels = voxels;
  host.volumes = volumes;
  host.voxelsPerSlice = nx * ny;
  RunSamples sampled = sampleRunForReport(host, carpetRows);
  input.mask = sampled.mask;
  input.analysedVoxels = sampled.analysedVoxels;
  input.meanImage = sampled.mean;
  input.carpet = std::move(sampled.carpet);

  std::vector<float> tsnr(voxels), maxdev(voxels), ac(voxels);
  for (std::size_t i = 0; i < voxels; ++i) {
    if (!input.mask[i]) continue;
    tsnr[i] = static_cast<float>(60.0 + 40.0 * std::sin(i * 0.01));
    maxdev[i] = static_cast<float>((i % 2 ? 1 : -1) * (3.0 + (i % 97) / 30.0));
    ac[i] = static_cast<float>(0.2 + 0.3 * std::cos(i * 0.003));
  }
  input.maps = {{"mean",
                 "Mean image",
                 "Mean of each voxel.",
                 sampled.mean,
                 percentileScale(ColourMap::kGrey, sampled.mean, true),
                 {0, 500, 1000}},
                {"tsnr",
                 "TSNR",
                 "Mean over standard deviation.",
                 tsnr,
                 percentileScale(ColourMap::kViridis, tsnr, true),
                 {0, 50, 100}},
                {"maxdev",
                 "Largest deviation",
                 "Signed largest deviation.",
                 maxdev,
                 thresholdScale(4.0),
                 {-8, -4, 0, 4, 8}},
                {"ac12",
                 "Lag 1+2 autocorrelation",
                 "r1 + r2.",
                 ac,
                 percentileScale(ColourMap::kViridis, ac, false),
                 {0, 0.5}}};

  std::vector<double> outliers, spikes, dvars, global;
  for (int t = 0; t < volumes; ++t) {
    const bool spike = t == 9 || t == 29;
    outliers.push_back(spike ? 0.6 : 0.001 * (t % 3));
    spikes.push_back(spike ? 900 : t % 4);
    dvars.push_back(t == 0 ? NAN : (spike || t == 10 || t == 30 ? 3.0 : 1.0));
    global.push_back(spike ? 1060 : 1000 + std::sin(t * 0.2));
  }
  input.traces = {{"outlier_fraction", "Outlier fraction", outliers, 0.05},
                  {"spike_count", "Spikes", spikes, std::nullopt},
                  {"std_dvars", "Standardised DVARS", dvars, 1.5},
                  {"global_signal", "Global signal", global, std::nullopt}};
  input.numbers = {{"tsnr_median", "Median TSNR", 58.2, "below 40", false},
                   {"outlier_volumes", "Outlier volumes", 2, "", false},
                   {"std_dvars_max", "Largest standardised DVARS", 3.0, "above 1.5", true}};
  input.verdicts = {"2 volumes have outliers: 10 and 30."};
  input.warnings = {"A made-up warning."};
  input.log = {"Successfully loaded " + runName};
  return input;
}

}  // namespace report_test
