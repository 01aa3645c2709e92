#include "cli/commands/demo_run.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "cli/base/cli_error.h"
#include "cli/nifti/nifti_image_handle.h"
#include "cli/nifti/nifti_output.h"

namespace quorvel::cli {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Standard normal values from a Mersenne twister through the Box-Muller
// transform, which (unlike std::normal_distribution) gives the same values
// with every standard library.
class GaussianSource {
 public:
  explicit GaussianSource(std::uint32_t seed) : engine_(seed) {}

  double next() {
    if (hasSpare_) {
      hasSpare_ = false;
      return spare_;
    }
    double u1 = (static_cast<double>(engine_()) + 0.5) / 4294967296.0;
    double u2 = (static_cast<double>(engine_()) + 0.5) / 4294967296.0;
    double radius = std::sqrt(-2.0 * std::log(u1));
    spare_ = radius * std::sin(2.0 * kPi * u2);
    hasSpare_ = true;
    return radius * std::cos(2.0 * kPi * u2);
  }

 private:
  std::mt19937 engine_;
  double spare_ = 0;
  bool hasSpare_ = false;
};

std::int16_t toSample(double value) {
  return static_cast<std::int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

}  // namespace

std::vector<std::int16_t> makeDemoSamples(const DemoRunShape& shape) {
  const std::size_t voxels = static_cast<std::size_t>(shape.nx) * shape.ny * shape.nz;
  std::vector<std::int16_t> samples(voxels * shape.nt);
  GaussianSource gaussian(shape.seed);
  const double cx = (shape.nx - 1) / 2.0, cy = (shape.ny - 1) / 2.0, cz = (shape.nz - 1) / 2.0;
  const double rx = shape.nx * 0.42, ry = shape.ny * 0.42, rz = shape.nz * 0.40;
  std::vector<double> noise(shape.nt);

  for (int z = 0; z < shape.nz; ++z) {
    for (int y = 0; y < shape.ny; ++y) {
      for (int x = 0; x < shape.nx; ++x) {
        const double dx = (x - cx) / rx, dy = (y - cy) / ry, dz = (z - cz) / rz;
        const double radius2 = dx * dx + dy * dy + dz * dz;
        const bool brain = radius2 <= 1.0;
        // The front of the brain moves during the step; the upper half
        // takes the spikes.
        const bool moves = brain && y > cy + ry * 0.3;
        const bool spiky = brain && z >= cz;
        // Grey-matter-like contrast: brighter towards the rim.
        const double level = brain ? shape.brainLevel * (0.85 + 0.3 * radius2) : 0.0;
        const double sd = brain ? shape.noiseSd : 2.0;
        const double phase = 2.0 * kPi * (x + 2 * y + 3 * z) / 97.0;

        double previous = 0.0;
        for (int t = 0; t < shape.nt; ++t) {
          previous = shape.arCoefficient * previous + sd * gaussian.next();
          noise[t] = previous;
        }
        const std::size_t voxel = (static_cast<std::size_t>(z) * shape.ny + y) * shape.nx + x;
        for (int t = 0; t < shape.nt; ++t) {
          double value = std::abs(level + noise[t]);
          if (brain) {
            const double time = static_cast<double>(t) / shape.nt;
            value += shape.driftAmplitude * (time + 0.5 * std::sin(2.0 * kPi * time + phase));
            if (moves && t >= shape.stepFirstVolume &&
                t < shape.stepFirstVolume + shape.stepLength) {
              value += shape.stepSize;
            }
            if (spiky && std::find(shape.spikeVolumes.begin(), shape.spikeVolumes.end(), t) !=
                             shape.spikeVolumes.end()) {
              value += shape.spikeSize;
            }
          }
          samples[static_cast<std::size_t>(t) * voxels + voxel] = toSample(value);
        }
      }
    }
  }
  return samples;
}

void writeDemoRun(const DemoRunShape& shape, const std::filesystem::path& path) {
  std::vector<std::int16_t> samples = makeDemoSamples(shape);
  const int64_t dims[8] = {4, shape.nx, shape.ny, shape.nz, shape.nt, 1, 1, 1};
  NiftiImagePtr image(nifti_make_new_nim(dims, DT_INT16, 0));
  if (!image) throw runError(path.string() + ": out of memory");
  const double voxelSize = 3.0, repetitionTime = 2.0;
  image->dx = image->pixdim[1] = voxelSize;
  image->dy = image->pixdim[2] = voxelSize;
  image->dz = image->pixdim[3] = voxelSize;
  image->dt = image->pixdim[4] = repetitionTime;
  image->xyz_units = NIFTI_UNITS_MM;
  image->time_units = NIFTI_UNITS_SEC;
  // Scanner space with the grid centred on the origin, no rotation.
  image->qform_code = image->sform_code = NIFTI_XFORM_SCANNER_ANAT;
  image->quatern_b = image->quatern_c = image->quatern_d = 0.0;
  image->qfac = 1.0;
  image->qoffset_x = -voxelSize * (shape.nx - 1) / 2.0;
  image->qoffset_y = -voxelSize * (shape.ny - 1) / 2.0;
  image->qoffset_z = -voxelSize * (shape.nz - 1) / 2.0;
  image->qto_xyz = nifti_quatern_to_dmat44(0, 0, 0, image->qoffset_x, image->qoffset_y,
                                           image->qoffset_z, voxelSize, voxelSize, voxelSize, 1.0);
  image->sto_xyz = image->qto_xyz;
  image->qto_ijk = nifti_dmat44_inverse(image->qto_xyz);
  image->sto_ijk = image->qto_ijk;
  std::snprintf(image->descrip, sizeof image->descrip, "Quorvel demo run");
  image->nifti_type = NIFTI_FTYPE_NIFTI1_1;

  // The image borrows the samples; it must not free them.
  std::free(image->data);
  image->data = samples.data();
  try {
    writeNiftiAtomically(*image, path);
  } catch (...) {
    image->data = nullptr;
    throw;
  }
  image->data = nullptr;
}

}  // namespace quorvel::cli
