// Work the command does beside the plug-in: tasks run in order on one
// thread of their own while the caller's thread goes on, each result
// taken back in the caller's thread where it is needed. Without a thread
// to spare, each task runs in the caller's thread when its result is
// taken, so the results, and where a failure surfaces, are the same.
#ifndef QUORVEL_CLI_BASE_ORDERED_WORK_H_
#define QUORVEL_CLI_BASE_ORDERED_WORK_H_

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <future>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace quorvel::cli {

template <typename Result>
class OrderedWork {
 public:
  using Task = std::function<Result()>;

  // Starts `tasks` on a thread of their own when `ownThread` (and the
  // system gives one), else leaves each for take().
  OrderedWork(std::vector<Task> tasks, bool ownThread)
      : tasks_(std::move(tasks)), promises_(tasks_.size()) {
    for (std::promise<Result>& promise : promises_) futures_.push_back(promise.get_future());
    if (!ownThread) return;
    try {
      thread_ = std::thread([this] {
        for (std::size_t i = 0; i < tasks_.size() && !stop_; ++i) run(i);
      });
    } catch (const std::system_error&) {  // no thread to be had: the caller's does it
    }
  }
  // Stops after the task at hand; results not taken are dropped.
  ~OrderedWork() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // The result of task `index`, once; waits for it. What the task threw is
  // thrown here, in the caller's thread.
  Result take(std::size_t index) {
    if (!thread_.joinable()) run(index);
    return futures_[index].get();
  }

 private:
  void run(std::size_t index) {
    try {
      promises_[index].set_value(tasks_[index]());
    } catch (...) {
      promises_[index].set_exception(std::current_exception());
    }
  }

  std::vector<Task> tasks_;
  std::vector<std::promise<Result>> promises_;
  std::vector<std::future<Result>> futures_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_ORDERED_WORK_H_
