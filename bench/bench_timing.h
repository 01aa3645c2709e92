// What the benchmarks time with: the process's CPU seconds, steadier than
// the wall clock on a shared machine, and the median of several rounds.
#ifndef QUORVEL_BENCH_BENCH_TIMING_H_
#define QUORVEL_BENCH_BENCH_TIMING_H_

#include <time.h>

#include <algorithm>
#include <cstddef>
#include <vector>

// CPU seconds of the whole process so far.
inline double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// The median of `values` (at least one).
inline double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

#endif  // QUORVEL_BENCH_BENCH_TIMING_H_
