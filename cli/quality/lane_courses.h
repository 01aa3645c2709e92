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

// Sets x[v * 8 + k] to courses[k][v] for every volume v < t and lane k < 8;
// `x` holds 8 t doubles. Every value is converted exactly.
void layCourses(const float* const* courses, std::size_t t, double* x);
void layCourses(const std::int16_t* const* courses, std::size_t t, double* x);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_LANE_COURSES_H_
