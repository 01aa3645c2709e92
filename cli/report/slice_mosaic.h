// Axial slices of one volume laid out as a grid of tiles in one picture,
// the voxels of the analysed mask in colour and the rest dimmed.
#ifndef QUORVEL_CLI_REPORT_SLICE_MOSAIC_H_
#define QUORVEL_CLI_REPORT_SLICE_MOSAIC_H_

#include <cstdint>
#include <vector>

#include "cli/report/raster_image.h"
#include "cli/report/value_scale.h"

namespace quorvel::cli::report {

// The grid of a run: voxel counts and voxel sizes in mm.
struct VolumeGrid {
  int nx = 0, ny = 0, nz = 0;
  double dx = 1.0, dy = 1.0, dz = 1.0;
  std::size_t voxels() const { return static_cast<std::size_t>(nx) * ny * nz; }
};

// Which slices a mosaic shows and how they are laid out.
struct MosaicLayout {
  std::vector<int> slices;  // z of each tile, in order
  int columns = 1;
  int rows = 1;
};

// At most `maxSlices` slices, evenly spread from the lowest to the highest
// slice holding a voxel of `mask` (all slices when the mask is empty), in
// columns chosen so that the picture is about twice as wide as high.
MosaicLayout chooseMosaicLayout(const VolumeGrid& grid, const std::vector<std::uint8_t>& mask,
                                int maxSlices);

// The greys of the dimmed background: each voxel outside `mask` gets a
// grey from its `intensity` on a scale of its own (up to the 99th
// percentile of the voxels outside the mask), at a third of full
// brightness, so that ghosts and the head's outline show without
// competing with the map.
std::vector<std::uint8_t> dimmedBackground(const std::vector<float>& intensity,
                                           const std::vector<std::uint8_t>& mask);

// The mosaic of `values` (one per voxel, x fastest): tiles of nx x ny
// pixels with a one-pixel black gap, y upwards. Voxels of `mask` take the
// colour of `scale` (NaN: mid grey), the others their `background` grey.
// With `outline`, a mask of the grid, its voxels next to one outside it
// in the slice are drawn orange over the rest.
RasterImage renderMosaic(const VolumeGrid& grid, const MosaicLayout& layout,
                         const std::vector<float>& values, const std::vector<std::uint8_t>& mask,
                         const std::vector<std::uint8_t>& background, const ValueScale& scale,
                         const std::vector<std::uint8_t>* outline = nullptr);

// A colour bar of `scale`'s colour map: 256 x 1 pixels, low end on the left.
RasterImage colourBar(const ValueScale& scale);

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_SLICE_MOSAIC_H_
