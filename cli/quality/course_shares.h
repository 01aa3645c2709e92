// One voxel's shares of the per-volume sums of the temporal IQMs, added
// volume by volume: each sum of a volume takes one value per voxel, so
// the volumes are independent and a vector takes eight at a time with the
// same bits as a plain loop over them.
#ifndef QUORVEL_CLI_QUALITY_COURSE_SHARES_H_
#define QUORVEL_CLI_QUALITY_COURSE_SHARES_H_

#include <cstddef>
#include <cstdint>

namespace quorvel::cli {

// For v in [1, n), with s = x[v] - x[v - 1] in double precision: adds s^2
// to squaredSteps[v] and (s inverse)^2 to standardSteps[v].
void addSteps(const float* x, std::size_t n, double inverse, double* squaredSteps,
              double* standardSteps);

// For v in [0, n): adds (x[v] - mean) scale to unitCourse[v].
void addUnitCourse(const float* x, std::size_t n, double mean, double scale, double* unitCourse);

// For v in [0, n): adds 1 to outliers[v] when |course[v] - centre| > bound.
void countOutliers(const float* course, std::size_t n, double centre, double bound,
                   std::uint32_t* outliers);
void countOutliers(const std::int16_t* course, std::size_t n, double centre, double bound,
                   std::uint32_t* outliers);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_COURSE_SHARES_H_
