// A view of consecutive lines held elsewhere, such as one run's share of a
// long log, so that the share is read where it is rather than copied.
#ifndef QUORVEL_CLI_BASE_LINE_RANGE_H_
#define QUORVEL_CLI_BASE_LINE_RANGE_H_

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel::cli {

// Lines [first, last) of a sequence that outlives the view and does not
// grow while it is used.
class LineRange {
 public:
  LineRange() = default;
  LineRange(const std::string* first, const std::string* last) : first_(first), last_(last) {}
  // All of `lines`.
  LineRange(const std::vector<std::string>& lines)  // NOLINT(google-explicit-constructor)
      : first_(lines.data()), last_(lines.data() + lines.size()) {}

  // Lines `from` up to `to` of `lines`, both cut to its size.
  static LineRange of(const std::vector<std::string>& lines, std::size_t from, std::size_t to) {
    to = to < lines.size() ? to : lines.size();
    from = from < to ? from : to;
    return LineRange(lines.data() + from, lines.data() + to);
  }

  const std::string* begin() const { return first_; }
  const std::string* end() const { return last_; }
  std::size_t size() const { return static_cast<std::size_t>(last_ - first_); }
  bool empty() const { return first_ == last_; }
  const std::string& operator[](std::size_t i) const { return first_[i]; }

 private:
  const std::string* first_ = nullptr;
  const std::string* last_ = nullptr;
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_BASE_LINE_RANGE_H_
