// The first sums of eight voxels' time courses at once: each course's
// total, then its squared deviations from its mean and the products of
// neighbouring deviations, one vector operation a step of all eight. A
// course's own sums are added one value after another in volume order,
// so each lane's result is that of a plain loop over the course alone.
#ifndef QUORVEL_CLI_QUALITY_COURSE_MOMENTS_H_
#define QUORVEL_CLI_QUALITY_COURSE_MOMENTS_H_

#include <cstddef>
#include <cstdint>

#include "cli/quality/lane_courses.h"

namespace quorvel::cli {

// Per lane: the mean of the course, and over its deviations d_v from it
// the sum of d_v^2 (v from 0) and of d_v-1 d_v (v from 1).
struct CourseMoments {
  double mean[kCourseLanes];
  double squares[kCourseLanes];
  double lagged[kCourseLanes];
};

// The moments of courses[k][0, n) for each lane k (n >= 1); `x` is room
// for 8 n doubles and receives the courses as layCourses lays them.
CourseMoments courseMoments(const float* const* courses, std::size_t n, double* x);
CourseMoments courseMoments(const std::int16_t* const* courses, std::size_t n, double* x);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_COURSE_MOMENTS_H_
