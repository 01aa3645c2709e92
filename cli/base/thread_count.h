// How many threads the command uses beside the plug-in's own.
#ifndef QUORVEL_CLI_BASE_THREAD_COUNT_H_
#define QUORVEL_CLI_BASE_THREAD_COUNT_H_

namespace quorvel::cli {

// The number of processors this process may run on (its affinity mask,
// which a batch system's task narrows; all online ones without one).
unsigned usableProcessors();

// Threads the command may use for `jobs` (--jobs): the usable processors
// when 0.
unsigned threadsFor(unsigned jobs);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_THREAD_COUNT_H_
