#include "cli/quality/course_shares.h"

#include <cmath>

#include "cli/base/processor_vectors.h"

namespace quorvel::cli {
namespace {

// Volumes a step of the loops below takes: a fixed count the compiler
// turns into vector operations at the optimisation level of the build,
// which leaves loops of unknown length scalar. Every operation is rounded
// as in scalar code (the build never fuses a multiply and an add).
constexpr std::size_t kStep = 8;

inline __attribute__((always_inline)) void stepsOf(const float* __restrict x, std::size_t n,
                                                   double inverse, double* __restrict squared,
                                                   double* __restrict standard) {
  std::size_t v = 1;
  for (; v + kStep <= n; v += kStep) {
    for (std::size_t k = 0; k < kStep; ++k) {
      const double s = static_cast<double>(x[v + k]) - static_cast<double>(x[v + k - 1]);
      squared[v + k] += s * s;
      const double scaled = s * inverse;
      standard[v + k] += scaled * scaled;
    }
  }
  for (; v < n; ++v) {
    const double s = static_cast<double>(x[v]) - static_cast<double>(x[v - 1]);
    squared[v] += s * s;
    const double scaled = s * inverse;
    standard[v] += scaled * scaled;
  }
}

inline __attribute__((always_inline)) void unitCourseOf(const float* __restrict x, std::size_t n,
                                                        double mean, double scale,
                                                        double* __restrict unit) {
  std::size_t v = 0;
  for (; v + kStep <= n; v += kStep) {
    for (std::size_t k = 0; k < kStep; ++k) {
      unit[v + k] += (static_cast<double>(x[v + k]) - mean) * scale;
    }
  }
  for (; v < n; ++v) unit[v] += (static_cast<double>(x[v]) - mean) * scale;
}

template <typename Sample>
inline __attribute__((always_inline)) void outliersOf(const Sample* __restrict course,
                                                      std::size_t n, double centre, double bound,
                                                      std::uint32_t* __restrict outliers) {
  std::size_t v = 0;
  for (; v + kStep <= n; v += kStep) {
    for (std::size_t k = 0; k < kStep; ++k) {
      outliers[v + k] += std::fabs(static_cast<double>(course[v + k]) - centre) > bound ? 1 : 0;
    }
  }
  for (; v < n; ++v) {
    outliers[v] += std::fabs(static_cast<double>(course[v]) - centre) > bound ? 1 : 0;
  }
}

// Each loop compiled for AVX-512 and AVX2 beside the build's own level;
// the callers below take the widest form the processor has.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define QUORVEL_SHARES_WIDE 1
#define QUORVEL_AVX512 __attribute__((target("avx512f"), flatten))
#define QUORVEL_AVX2 __attribute__((target("avx2"), flatten))

QUORVEL_AVX512 void stepsAvx512(const float* x, std::size_t n, double inverse, double* squared,
                                double* standard) {
  stepsOf(x, n, inverse, squared, standard);
}
QUORVEL_AVX2 void stepsAvx2(const float* x, std::size_t n, double inverse, double* squared,
                            double* standard) {
  stepsOf(x, n, inverse, squared, standard);
}
QUORVEL_AVX512 void unitAvx512(const float* x, std::size_t n, double mean, double scale,
                               double* unit) {
  unitCourseOf(x, n, mean, scale, unit);
}
QUORVEL_AVX2 void unitAvx2(const float* x, std::size_t n, double mean, double scale, double* unit) {
  unitCourseOf(x, n, mean, scale, unit);
}
template <typename Sample>
QUORVEL_AVX512 void outliersAvx512(const Sample* course, std::size_t n, double centre, double bound,
                                   std::uint32_t* outliers) {
  outliersOf(course, n, centre, bound, outliers);
}
template <typename Sample>
QUORVEL_AVX2 void outliersAvx2(const Sample* course, std::size_t n, double centre, double bound,
                               std::uint32_t* outliers) {
  outliersOf(course, n, centre, bound, outliers);
}
#endif

template <typename Sample>
void outliersWidest(const Sample* course, std::size_t n, double centre, double bound,
                    std::uint32_t* outliers) {
#if defined(QUORVEL_SHARES_WIDE)
  if (processorVectorBits() == 512) return outliersAvx512(course, n, centre, bound, outliers);
  if (processorVectorBits() == 256) return outliersAvx2(course, n, centre, bound, outliers);
#endif
  outliersOf(course, n, centre, bound, outliers);
}

}  // namespace

void addSteps(const float* x, std::size_t n, double inverse, double* squaredSteps,
              double* standardSteps) {
#if defined(QUORVEL_SHARES_WIDE)
  if (processorVectorBits() == 512) return stepsAvx512(x, n, inverse, squaredSteps, standardSteps);
  if (processorVectorBits() == 256) return stepsAvx2(x, n, inverse, squaredSteps, standardSteps);
#endif
  stepsOf(x, n, inverse, squaredSteps, standardSteps);
}

void addUnitCourse(const float* x, std::size_t n, double mean, double scale, double* unitCourse) {
#if defined(QUORVEL_SHARES_WIDE)
  if (processorVectorBits() == 512) return unitAvx512(x, n, mean, scale, unitCourse);
  if (processorVectorBits() == 256) return unitAvx2(x, n, mean, scale, unitCourse);
#endif
  unitCourseOf(x, n, mean, scale, unitCourse);
}

void countOutliers(const float* course, std::size_t n, double centre, double bound,
                   std::uint32_t* outliers) {
  outliersWidest(course, n, centre, bound, outliers);
}

void countOutliers(const std::int16_t* course, std::size_t n, double centre, double bound,
                   std::uint32_t* outliers) {
  outliersWidest(course, n, centre, bound, outliers);
}

}  // namespace quorvel::cli
