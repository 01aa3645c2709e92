// Eight voxels' time courses laid side by side, volume by volume, as
// doubles: the layout in which one vector operation takes a step of all
// eight voxels' sums.
#ifndef QUORVEL_CLI_QUALITY_LANE_COURSES_H_
#define QUORVEL_CLI_QUALITY_LANE_COURSES_H_

#include <cstddef>
#include <cstdint>

namespace quorvel::cli {

// Voxels laid side by side.
constexpr std::size_t kCourseLanes = 8;

// Sets x[v * 8 + k] to courses[k][v] for every volume v < t and lane k < 8
// (`x` holds 8 t doubles; every value is converted exactly), and total[k]
// to the sum of x[v * 8 + k] added in order of v from 0.
void layCourses(const float* const* courses, std::size_t t, double* x, double* total);
void layCourses(const std::int16_t* const* courses, std::size_t t, double* x, double* total);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_LANE_COURSES_H_
