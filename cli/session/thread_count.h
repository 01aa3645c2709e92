// How many threads the command uses beside the plug-in's own.
#ifndef QUORVEL_CLI_SESSION_THREAD_COUNT_H_
#define QUORVEL_CLI_SESSION_THREAD_COUNT_H_

#include <thread>

namespace quorvel::cli {

// Threads the command may use for `jobs` (--jobs): the machine's cores
// when 0.
inline unsigned threadsFor(unsigned jobs) {
  if (jobs != 0) return jobs;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_SESSION_THREAD_COUNT_H_
