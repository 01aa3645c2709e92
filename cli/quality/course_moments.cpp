#include "cli/quality/course_moments.h"

#include "cli/base/processor_vectors.h"

namespace quorvel::cli {
namespace {

constexpr std::size_t kLanes = kCourseLanes;

// The deviations' sums over courses laid out by layCourses. Each step is
// rounded as the scalar one (the build never fuses a multiply and an
// add), whatever vector width the compiler gives the lane loops.
inline __attribute__((always_inline)) void deviationSums(const double* x, std::size_t n,
                                                         CourseMoments& m) {
  double squares[kLanes], lagged[kLanes] = {}, before[kLanes];
  for (std::size_t k = 0; k < kLanes; ++k) {
    before[k] = x[k] - m.mean[k];
    squares[k] = before[k] * before[k];
  }
  for (std::size_t v = 1; v < n; ++v) {
    const double* row = x + v * kLanes;
    for (std::size_t k = 0; k < kLanes; ++k) {
      const double d = row[k] - m.mean[k];
      squares[k] += d * d;
      lagged[k] += before[k] * d;
      before[k] = d;
    }
  }
  for (std::size_t k = 0; k < kLanes; ++k) {
    m.squares[k] = squares[k];
    m.lagged[k] = lagged[k];
  }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx512f"), flatten)) void deviationSumsAvx512(const double* x, std::size_t n,
                                                                     CourseMoments& m) {
  deviationSums(x, n, m);
}
__attribute__((target("avx2"), flatten)) void deviationSumsAvx2(const double* x, std::size_t n,
                                                                CourseMoments& m) {
  deviationSums(x, n, m);
}
#endif

template <typename Sample>
CourseMoments momentsOf(const Sample* const* courses, std::size_t n, double* x) {
  CourseMoments m;
  double total[kLanes];
  layCourses(courses, n, x, total);
  for (std::size_t k = 0; k < kLanes; ++k) m.mean[k] = total[k] / static_cast<double>(n);
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  if (processorVectorBits() == 512) {
    deviationSumsAvx512(x, n, m);
    return m;
  }
  if (processorVectorBits() == 256) {
    deviationSumsAvx2(x, n, m);
    return m;
  }
#endif
  deviationSums(x, n, m);
  return m;
}

}  // namespace

CourseMoments courseMoments(const float* const* courses, std::size_t n, double* x) {
  return momentsOf(courses, n, x);
}

CourseMoments courseMoments(const std::int16_t* const* courses, std::size_t n, double* x) {
  return momentsOf(courses, n, x);
}

}  // namespace quorvel::cli
