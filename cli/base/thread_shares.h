// Work split into shares that run side by side, one thread each.
#ifndef QUORVEL_CLI_BASE_THREAD_SHARES_H_
#define QUORVEL_CLI_BASE_THREAD_SHARES_H_

#include <functional>

namespace quorvel::cli {

// Runs share(0) ... share(count - 1), each on a thread of its own but the
// first, which runs on the caller's; shares the system gives no thread
// for run on the caller's too. Returns once all have ended; then throws
// what the lowest share that failed threw.
void runShares(unsigned count, const std::function<void(unsigned)>& share);

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_THREAD_SHARES_H_
