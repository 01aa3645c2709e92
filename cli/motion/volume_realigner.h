// Finds the rigid movement that carries the reference volume onto another
// volume of the same run.
//
// The cost is the sum of squared differences between the two volumes over
// points of the brain mask, minimised by the inverse-compositional
// Gauss-Newton method, coarse to fine:
// - on 2 x 2 x 2 block means, the reference's points and its Jacobian and
//   Hessian, made once per run, against the volume interpolated
//   trilinearly; skipped when the search starts close enough (the first
//   fine step is small), as it mostly does from the previous volume's;
// - then on the run's own voxels, the roles swapped: the volume's values
//   at the points and its Jacobian (one pass per volume) against the
//   reference interpolated by cubic B-spline. The volume is then never
//   interpolated, so neither an interpolation kernel's bias nor the
//   smoothing of its noise enters the estimate.
#ifndef QUORVEL_CLI_MOTION_VOLUME_REALIGNER_H_
#define QUORVEL_CLI_MOTION_VOLUME_REALIGNER_H_

#include <vector>

#include "cli/motion/realignment_reference.h"
#include "cli/motion/rigid_motion.h"

namespace quorvel::cli {

// Realigns volumes to one reference; holds the scratch space of one thread.
class VolumeRealigner {
 public:
  // `reference` must outlive the realigner.
  explicit VolumeRealigner(const RealignmentReference& reference);

  // The movement from the reference to `volume` (the grid's voxels, i
  // fastest), starting the search at `start` (the previous volume's, to
  // save steps). The result depends on nothing else.
  RigidMotion realign(const float* volume, const RigidMotion& start);

 private:
  // Makes the volume's values, Jacobian and inverse Hessian at the fine
  // points; false when the volume has no structure there.
  bool prepareFine(const ReferenceLevel& level, const float* volume);
  // One fine step from `back` (volume points to the reference), which it
  // updates; returns the step's size in mm.
  double fineStep(const ReferenceLevel& level, RigidMatrix& back);
  // The coarse levels' steps from `moved`.
  RigidMatrix coarseSearch(const float* volume, RigidMatrix moved);

  const RealignmentReference& reference_;
  std::vector<std::vector<float>> levelVolumes_;  // each coarse level's block means
  std::vector<float> jacobian_;                   // the volume's, six per fine point
  std::vector<float> values_;                     // the volume at the fine points
  std::vector<float> sampled_;                    // the reference at the moved points
  ParameterMatrix inverseHessian_{};              // of the volume's Jacobian
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_MOTION_VOLUME_REALIGNER_H_
