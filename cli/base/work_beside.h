// One piece of work started beside the caller's, with a way back when the
// system gives no thread for it.
#ifndef QUORVEL_CLI_BASE_WORK_BESIDE_H_
#define QUORVEL_CLI_BASE_WORK_BESIDE_H_

#include <future>
#include <system_error>
#include <utility>

namespace quorvel::cli {

// Starts `work` on a thread of its own when `sideBySide` and the system
// gives one; otherwise it runs on the thread that asks the future for its
// result. Either way get() returns what it returned or throws what it threw.
template <typename Work>
auto startBeside(bool sideBySide, Work work) -> std::future<decltype(work())> {
  if (sideBySide) {
    try {
      return std::async(std::launch::async, work);
    } catch (const std::system_error&) {  // no thread to be had: run where it is asked for
    }
  }
  return std::async(std::launch::deferred, std::move(work));
}

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_WORK_BESIDE_H_
