#include "cli/motion/volume_pyramid.h"

#include <cstddef>

namespace quorvel::cli {

LevelGeometry fineGeometry(const MotionGrid& grid) {
  LevelGeometry out;
  out.size = grid.size;
  for (int a = 0; a < 3; ++a) {
    out.voxelSize[a] = grid.voxelSize[a];
    out.centre[a] = (grid.size[a] - 1) / 2.0;
  }
  return out;
}

LevelGeometry coarseGeometry(const LevelGeometry& fine) {
  LevelGeometry out = fine;
  const bool inPlane = fine.size[0] >= 16 && fine.size[1] >= 16;
  const bool slices = fine.size[2] >= 8;
  for (int a = 0; a < 3; ++a) {
    const bool halve = a < 2 ? inPlane : slices;
    if (!halve) continue;
    out.factor[a] = 2 * fine.factor[a];
    out.size[a] = fine.size[a] / 2;
    out.voxelSize[a] = 2 * fine.voxelSize[a];
    // Coarse voxel c covers fine voxels 2c and 2c + 1, centred on 2c + 0.5.
    out.centre[a] = (fine.centre[a] - 0.5) / 2.0;
  }
  return out;
}

bool isCoarser(const LevelGeometry& coarse) {
  return coarse.factor[0] > 1 || coarse.factor[1] > 1 || coarse.factor[2] > 1;
}

void averageBlocks(const float* fine, const LevelGeometry& fineLevel, const LevelGeometry& coarse,
                   float* out) {
  const int fx = coarse.factor[0] / fineLevel.factor[0];
  const int fy = coarse.factor[1] / fineLevel.factor[1];
  const int fz = coarse.factor[2] / fineLevel.factor[2];
  const std::size_t row = static_cast<std::size_t>(fineLevel.size[0]);
  const std::size_t slice = row * static_cast<std::size_t>(fineLevel.size[1]);
  const float scale = 1.0f / static_cast<float>(fx * fy * fz);
  float* to = out;
  for (int k = 0; k < coarse.size[2]; ++k) {
    for (int j = 0; j < coarse.size[1]; ++j) {
      for (int i = 0; i < coarse.size[0]; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < fz; ++c) {
          for (int b = 0; b < fy; ++b) {
            const float* from = fine + static_cast<std::size_t>(k * fz + c) * slice +
                                static_cast<std::size_t>(j * fy + b) * row +
                                static_cast<std::size_t>(i * fx);
            for (int a = 0; a < fx; ++a) sum += from[a];
          }
        }
        *to++ = sum * scale;
      }
    }
  }
}

}  // namespace quorvel::cli
