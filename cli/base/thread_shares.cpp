#include "cli/base/thread_shares.h"

#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace quorvel::cli {

void runShares(unsigned count, const std::function<void(unsigned)>& share) {
  std::vector<std::exception_ptr> failures(count);
  auto run = [&](unsigned k) {
    try {
      share(k);
    } catch (...) {
      failures[k] = std::current_exception();
    }
  };
  std::vector<std::thread> helpers;
  unsigned inlineFrom = count;
  for (unsigned k = 1; k < count; ++k) {
    try {
      helpers.emplace_back(run, k);
    } catch (const std::system_error&) {
      inlineFrom = k;
      break;
    }
  }
  if (count > 0) run(0);
  for (unsigned k = inlineFrom; k < count; ++k) run(k);
  for (std::thread& helper : helpers) helper.join();
  for (const std::exception_ptr& failure : failures) {
    if (failure) std::rethrow_exception(failure);
  }
}

}  // namespace quorvel::cli
