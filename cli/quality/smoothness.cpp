#include "cli/quality/smoothness.h"

#include <cmath>
#include <cstddef>

namespace quorvel::cli {
namespace {

// Sums of the differences between neighbours along one axis.
struct DifferenceSums {
  double sum = 0, squares = 0;
  std::size_t count = 0;

  void add(double difference) {
    sum += difference;
    squares += difference * difference;
    ++count;
  }
  // The sample variance (n - 1); 0 below 6 pairs.
  double variance() const {
    if (count < 6) return 0;
    const double n = static_cast<double>(count);
    return (squares - sum * sum / n) / (n - 1.0);
  }
};

// AFNI's sigma-to-FWHM factor, sqrt(8 ln 2) rounded as it rounds it, so
// that the numbers compare with its own to the last digit.
constexpr double kSigmaToFwhm = 2.35482;

std::optional<double> fwhmOf(double differenceVariance, double variance) {
  const double correlation = 1.0 - 0.5 * (differenceVariance / variance);
  if (!(correlation > 0.0 && correlation < 1.0)) return std::nullopt;
  return kSigmaToFwhm * std::sqrt(-1.0 / (4.0 * std::log(correlation)));
}

}  // namespace

Smoothness firstDifferenceFwhm(const VoxelImage& image, const VoxelMask& mask,
                               const VoxelGrid& grid) {
  Smoothness smoothness;
  double sum = 0, squares = 0;
  std::size_t count = 0;
  for (std::size_t voxel = 0; voxel < image.size(); ++voxel) {
    if (mask[voxel] == 0) continue;
    sum += image[voxel];
    squares += image[voxel] * image[voxel];
    ++count;
  }
  if (count < 9 || squares <= 0) return smoothness;
  const double n = static_cast<double>(count);
  const double variance = (squares - sum * sum / n) / (n - 1.0);
  if (!(variance > 0)) return smoothness;

  DifferenceSums along[3];
  const std::size_t slice = grid.nx * grid.ny;
  for (std::size_t voxel = 0; voxel < image.size(); ++voxel) {
    if (mask[voxel] == 0) continue;
    const std::size_t x = voxel % grid.nx, y = (voxel / grid.nx) % grid.ny, z = voxel / slice;
    if (x + 1 < grid.nx && mask[voxel + 1] != 0) along[0].add(image[voxel + 1] - image[voxel]);
    if (y + 1 < grid.ny && mask[voxel + grid.nx] != 0) {
      along[1].add(image[voxel + grid.nx] - image[voxel]);
    }
    if (z + 1 < grid.nz && mask[voxel + slice] != 0) {
      along[2].add(image[voxel + slice] - image[voxel]);
    }
  }
  smoothness.x = fwhmOf(along[0].variance(), variance);
  smoothness.y = fwhmOf(along[1].variance(), variance);
  smoothness.z = fwhmOf(along[2].variance(), variance);
  if (smoothness.x && smoothness.y && smoothness.z) {
    smoothness.average = (*smoothness.x + *smoothness.y + *smoothness.z) / 3.0;
  }
  return smoothness;
}

}  // namespace quorvel::cli
