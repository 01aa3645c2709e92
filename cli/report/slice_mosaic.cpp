#include "cli/report/slice_mosaic.h"

#include <algorithm>
#include <cmath>

namespace quorvel::cli::report {
namespace {
constexpr int kGap = 1;           // black pixels between tiles
constexpr double kDimmed = 0.33;  // brightness of the background at most
}  // namespace

MosaicLayout chooseMosaicLayout(const VolumeGrid& grid, const std::vector<std::uint8_t>& mask,
                                int maxSlices) {
  int first = grid.nz, last = -1;
  const std::size_t sliceSize = static_cast<std::size_t>(grid.nx) * grid.ny;
  for (int z = 0; z < grid.nz && mask.size() == grid.voxels(); ++z) {
    const auto begin = mask.begin() + static_cast<std::ptrdiff_t>(z * sliceSize);
    if (std::find(begin, begin + static_cast<std::ptrdiff_t>(sliceSize), 1) !=
        begin + static_cast<std::ptrdiff_t>(sliceSize)) {
      first = std::min(first, z);
      last = z;
    }
  }
  if (last < 0) {
    first = 0;
    last = grid.nz - 1;
  }
  MosaicLayout layout;
  const int available = last - first + 1;
  const int shown = std::max(1, std::min(available, maxSlices));
  for (int i = 0; i < shown; ++i) {
    const int z = shown == 1 ? first
                             : first + static_cast<int>(std::lround(static_cast<double>(i) *
                                                                    (available - 1) / (shown - 1)));
    if (layout.slices.empty() || layout.slices.back() != z) layout.slices.push_back(z);
  }
  const double tileAspect = (grid.ny * grid.dy) / std::max(1e-9, grid.nx * grid.dx);
  const int n = static_cast<int>(layout.slices.size());
  layout.columns = std::clamp(static_cast<int>(std::ceil(std::sqrt(n * 2.0 * tileAspect))), 1, n);
  layout.rows = (n + layout.columns - 1) / layout.columns;
  return layout;
}

std::vector<std::uint8_t> dimmedBackground(const std::vector<float>& intensity,
                                           const std::vector<std::uint8_t>& mask) {
  std::vector<float> outside;
  for (std::size_t i = 0; i < intensity.size(); ++i) {
    if (i >= mask.size() || !mask[i]) outside.push_back(intensity[i]);
  }
  double top = quantile(outside, 0.99);
  if (!(top > 0.0)) top = 1.0;
  std::vector<std::uint8_t> grey(intensity.size(), 0);
  for (std::size_t i = 0; i < intensity.size(); ++i) {
    const double v = intensity[i] / top;
    grey[i] = static_cast<std::uint8_t>(std::lround(255.0 * kDimmed * std::clamp(v, 0.0, 1.0)));
  }
  return grey;
}

RasterImage renderMosaic(const VolumeGrid& grid, const MosaicLayout& layout,
                         const std::vector<float>& values, const std::vector<std::uint8_t>& mask,
                         const std::vector<std::uint8_t>& background, const ValueScale& scale,
                         const std::vector<std::uint8_t>* outline) {
  const int width = layout.columns * grid.nx + (layout.columns - 1) * kGap;
  const int height = layout.rows * grid.ny + (layout.rows - 1) * kGap;
  RasterImage image = RasterImage::blank(width, height, 3);
  // One colour per 1/1024 of the colour map: far cheaper than evaluating
  // the map for every voxel, and finer than the eye tells apart.
  std::vector<Rgb> table(1025);
  for (int i = 0; i <= 1024; ++i) table[i] = colourAt(scale.map, i / 1024.0);
  const std::size_t sliceSize = static_cast<std::size_t>(grid.nx) * grid.ny;
  const bool haveValues = values.size() == grid.voxels();
  for (std::size_t tile = 0; tile < layout.slices.size(); ++tile) {
    const int left = static_cast<int>(tile % layout.columns) * (grid.nx + kGap);
    const int top = static_cast<int>(tile / layout.columns) * (grid.ny + kGap);
    const std::size_t base = layout.slices[tile] * sliceSize;
    for (int y = 0; y < grid.ny; ++y) {
      std::uint8_t* pixel = image.at(left, top + grid.ny - 1 - y);
      for (int x = 0; x < grid.nx; ++x, pixel += 3) {
        const std::size_t voxel = base + static_cast<std::size_t>(y) * grid.nx + x;
        Rgb colour;
        if (voxel < mask.size() && mask[voxel] && haveValues) {
          const double at = scale.position(values[voxel]);
          colour = std::isnan(at) ? Rgb{128, 128, 128}
                                  : table[static_cast<std::size_t>(std::lround(at * 1024.0))];
        } else if (voxel < background.size()) {
          colour = Rgb{background[voxel], background[voxel], background[voxel]};
        }
        if (outline != nullptr && outline->size() == grid.voxels() && (*outline)[voxel] != 0) {
          const auto outside = [&](int ox, int oy) {
            if (ox < 0 || oy < 0 || ox >= grid.nx || oy >= grid.ny) return true;
            return (*outline)[base + static_cast<std::size_t>(oy) * grid.nx + ox] == 0;
          };
          if (outside(x - 1, y) || outside(x + 1, y) || outside(x, y - 1) || outside(x, y + 1)) {
            colour = Rgb{255, 140, 0};
          }
        }
        pixel[0] = colour.r;
        pixel[1] = colour.g;
        pixel[2] = colour.b;
      }
    }
  }
  return image;
}

RasterImage colourBar(const ValueScale& scale) {
  RasterImage bar = RasterImage::blank(256, 1, 3);
  for (int i = 0; i < 256; ++i) {
    const Rgb colour = colourAt(scale.map, i / 255.0);
    std::uint8_t* pixel = bar.at(i, 0);
    pixel[0] = colour.r;
    pixel[1] = colour.g;
    pixel[2] = colour.b;
  }
  return bar;
}

}  // namespace quorvel::cli::report
