// Runs generated with a known head: an ellipsoid of textured tissue in a
// background of rectified noise, with optional non-steady-state volumes
// at the start and spikes in chosen volumes. The head is the truth a brain
// mask is judged against.
#ifndef QUORVEL_TESTS_CLI_GENERATED_HEAD_RUN_H_
#define QUORVEL_TESTS_CLI_GENERATED_HEAD_RUN_H_

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "cli/quality/sample_view.h"
#include "cli/quality/voxel_grid.h"

namespace quorvel::cli {

// How a run is made.
struct HeadRunRecipe {
  double scale = 1.0;  // every sample multiplied by this
  std::size_t volumes = 120;
  std::size_t dummies = 0;                // leading volumes 60% brighter
  std::vector<std::size_t> spikeVolumes;  // head 40% brighter in these
  double noise = 12.0;                    // temporal sd in the head
  std::uint32_t seed = 7;
};

// A generated run, time fastest, and its head.
struct HeadRun {
  VoxelGrid grid{36, 40, 22};
  std::vector<float> samples;
  VoxelMask head;

  SampleView view() const {
    SampleView v;
    v.floatSamples = samples.data();
    v.voxels = grid.voxels();
    v.volumes = samples.size() / grid.voxels();
    return v;
  }
};

inline HeadRun makeHeadRun(const HeadRunRecipe& recipe) {
  HeadRun run;
  const VoxelGrid& g = run.grid;
  run.head.assign(g.voxels(), 0);
  run.samples.resize(g.voxels() * recipe.volumes);
  std::mt19937 random(recipe.seed);
  std::normal_distribution<double> normal(0.0, 1.0);
  for (std::size_t z = 0; z < g.nz; ++z) {
    for (std::size_t y = 0; y < g.ny; ++y) {
      for (std::size_t x = 0; x < g.nx; ++x) {
        const double a = (x - 17.5) / 14.0, b = (y - 19.5) / 16.0, c = (z - 10.5) / 9.0;
        const std::size_t voxel = x + g.nx * (y + g.ny * z);
        const bool inside = a * a + b * b + c * c <= 1.0;
        run.head[voxel] = inside ? 1 : 0;
        // Tissue contrast that varies smoothly; the background is air.
        const double level = inside ? 700.0 + 250.0 * std::sin(0.5 * x) * std::cos(0.4 * y) : 0.0;
        for (std::size_t v = 0; v < recipe.volumes; ++v) {
          double value;
          if (inside) {
            double gain = v < recipe.dummies ? 1.6 : 1.0;
            for (std::size_t s : recipe.spikeVolumes) gain += s == v ? 0.4 : 0.0;
            value = gain * level + recipe.noise * normal(random);
          } else {
            value = std::fabs(20.0 * normal(random));
          }
          run.samples[voxel * recipe.volumes + v] = static_cast<float>(recipe.scale * value);
        }
      }
    }
  }
  return run;
}

// Dice's overlap of two masks of one grid.
inline double diceOverlap(const VoxelMask& a, const VoxelMask& b) {
  std::size_t both = 0, total = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    both += (a[i] != 0 && b[i] != 0) ? 1 : 0;
    total += (a[i] != 0 ? 1 : 0) + (b[i] != 0 ? 1 : 0);
  }
  return total == 0 ? 0.0 : 2.0 * static_cast<double>(both) / static_cast<double>(total);
}

}  // namespace quorvel::cli

#endif  // QUORVEL_TESTS_CLI_GENERATED_HEAD_RUN_H_
