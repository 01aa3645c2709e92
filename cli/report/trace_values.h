// The values of one per-volume trace of a run page, either held by the
// trace or read where the run's results already keep them: a long run's
// page has a dozen traces, and a copy of each would outweigh everything
// else the command keeps per volume.
#ifndef QUORVEL_CLI_REPORT_TRACE_VALUES_H_
#define QUORVEL_CLI_REPORT_TRACE_VALUES_H_

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

namespace quorvel::cli::report {

// One value per volume, NaN where undefined.
class TraceValues {
 public:
  TraceValues() = default;
  // Holds `values`.
  TraceValues(std::vector<double> values)  // NOLINT(google-explicit-constructor)
      : held_(std::move(values)), size_(held_.size()) {}
  TraceValues(std::initializer_list<double> values) : TraceValues(std::vector<double>(values)) {}
  // Reads value v as read(v) for v below `size`; whatever `read` reads
  // must outlive these values.
  TraceValues(std::size_t size, std::function<double(std::size_t)> read)
      : read_(std::move(read)), size_(size) {}

  std::size_t size() const { return size_; }
  // The value of volume `v` (below size()).
  double operator[](std::size_t v) const { return read_ ? read_(v) : held_[v]; }

 private:
  std::vector<double> held_;
  std::function<double(std::size_t)> read_;
  std::size_t size_ = 0;
};

}  // namespace quorvel::cli::report

#endif  // QUORVEL_CLI_REPORT_TRACE_VALUES_H_
