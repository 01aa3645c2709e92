#include "cli/quality/image_iqms.h"

#include <cmath>
#include <vector>

#include "cli/quality/mask_morphology.h"
#include "cli/quality/sample_statistics.h"

namespace quorvel::cli {
namespace {

// A background region smaller than this gives MRIQC's summary of zeros.
constexpr std::size_t kSmallestBackground = 1000;

std::optional<double> finiteOrEmpty(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

// The values of `image` where `mask` is `inside`.
std::vector<double> valuesWhere(const VoxelImage& image, const VoxelMask& mask,
                                std::uint8_t inside) {
  std::vector<double> values;
  for (std::size_t voxel = 0; voxel < image.size(); ++voxel) {
    if (mask[voxel] == inside) values.push_back(image[voxel]);
  }
  return values;
}

// Entropy of the image's energy over the largest it could have, all voxels
// equal: 0 when all the energy sits in one voxel, 1 when it is spread evenly.
std::optional<double> entropyFocus(const VoxelImage& image) {
  const double n = static_cast<double>(image.size());
  double energy = 0;
  for (double value : image) energy += value * value;
  const double norm = std::sqrt(energy);
  if (!(norm > 0)) return std::nullopt;
  const double largest = n * (1.0 / std::sqrt(n)) * std::log(1.0 / std::sqrt(n));
  double entropy = 0;
  for (double value : image) {
    entropy += (value / norm) * std::log((value + 1e-16) / norm);
  }
  return finiteOrEmpty(entropy / largest);
}

// The median energy inside the mask over the median energy outside.
std::optional<double> energyRatio(const VoxelImage& image, const VoxelMask& mask) {
  std::vector<double> inside, outside;
  for (std::size_t voxel = 0; voxel < image.size(); ++voxel) {
    (mask[voxel] != 0 ? inside : outside).push_back(image[voxel] * image[voxel]);
  }
  const std::optional<double> foreground = median(std::move(inside));
  const std::optional<double> background = median(std::move(outside));
  // MRIQC gives -1 for a background below 1e-3, as of a skull-stripped image.
  if (!foreground || !background || *background < 1.0e-3) return std::nullopt;
  return finiteOrEmpty(*foreground / *background);
}

// The ghost to signal ratio along grid `axis` (0, 1 or 2): the mask
// shifted by half the grid along the axis, less the mask, holds the N/2
// ghost; the mean there less the mean of the rest of the background, over
// the median in the mask.
std::optional<double> ghostToSignal(const VoxelImage& image, const VoxelMask& mask,
                                    const VoxelGrid& grid, int axis) {
  const std::size_t sizes[3] = {grid.nx, grid.ny, grid.nz};
  const std::size_t strides[3] = {1, grid.nx, grid.nx * grid.ny};
  const std::size_t size = sizes[static_cast<std::size_t>(axis)];
  const std::size_t stride = strides[static_cast<std::size_t>(axis)];
  const std::size_t shift = size / 2;
  double ghost = 0, rest = 0;
  std::size_t ghostCount = 0, restCount = 0;
  std::vector<double> signal;
  for (std::size_t voxel = 0; voxel < image.size(); ++voxel) {
    if (mask[voxel] != 0) {
      signal.push_back(image[voxel]);
      continue;
    }
    const std::size_t at = (voxel / stride) % size;
    const std::size_t from = (at + size - shift) % size;
    const std::size_t source = voxel - at * stride + from * stride;
    if (mask[source] != 0) {
      ghost += image[voxel];
      ++ghostCount;
    } else {
      rest += image[voxel];
      ++restCount;
    }
  }
  const std::optional<double> level = median(std::move(signal));
  if (ghostCount == 0 || restCount == 0 || !level || *level == 0) return std::nullopt;
  const double ghostMean = ghost / static_cast<double>(ghostCount);
  const double restMean = rest / static_cast<double>(restCount);
  return finiteOrEmpty((ghostMean - restMean) / *level);
}

}  // namespace

ImageIqms imageIqms(const VoxelImage& meanImage, const VoxelMask& mask, const VoxelGrid& grid) {
  VoxelImage image = meanImage;
  for (double& value : image) {
    if (!std::isfinite(value) || value < 0) value = 0;
  }
  ImageIqms iqms;
  iqms.efc = entropyFocus(image);
  iqms.fber = energyRatio(image, mask);
  iqms.gsrX = ghostToSignal(image, mask, grid, grid.worldXAxis);
  iqms.gsrY = ghostToSignal(image, mask, grid, grid.worldYAxis);

  VoxelMask outside(mask.size());
  for (std::size_t voxel = 0; voxel < mask.size(); ++voxel)
    outside[voxel] = mask[voxel] != 0 ? 0 : 1;
  const VoxelMask foreground = interiorOf(mask, grid);
  const VoxelMask background = interiorOf(outside, grid);
  iqms.foreground = summarise(valuesWhere(image, foreground, 1));
  const std::size_t backgroundVoxels = maskCount(background);
  if (backgroundVoxels < kSmallestBackground) {
    iqms.background = DistributionSummary{0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, backgroundVoxels};
  } else {
    iqms.background = summarise(valuesWhere(image, background, 1));
  }
  const DistributionSummary& fg = iqms.foreground;
  if (fg.median && fg.stdv && fg.n > 1) {
    const double n = static_cast<double>(fg.n);
    iqms.snr = finiteOrEmpty(*fg.median / (*fg.stdv * std::sqrt(n / (n - 1.0))));
  }
  return iqms;
}

}  // namespace quorvel::cli
