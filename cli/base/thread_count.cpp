#include "cli/base/thread_count.h"

#include <sched.h>
#include <unistd.h>

namespace quorvel::cli {

unsigned usableProcessors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return static_cast<unsigned>(count);
  }
  const long online = ::sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<unsigned>(online) : 1;
}

unsigned threadsFor(unsigned jobs) { return jobs != 0 ? jobs : usableProcessors(); }

}  // namespace quorvel::cli
