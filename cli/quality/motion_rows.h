// The per-volume head motion columns of a run, held compactly: a long run
// has a row per volume, and most of a row's optionals would be padding.
#ifndef QUORVEL_CLI_QUALITY_MOTION_ROWS_H_
#define QUORVEL_CLI_QUALITY_MOTION_ROWS_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace quorvel::cli {

// Columns in a row of motion numbers.
constexpr std::size_t kMotionColumnCount = 7;

// One volume's motion numbers; a column is empty where it is undefined.
using MotionRow = std::array<std::optional<double>, kMotionColumnCount>;

// A row of motion numbers per volume. Rows that were never given a value
// take no memory beyond their count, so a run without motion costs
// nothing per volume; given rows hold the doubles and a bit per column.
class MotionRows {
 public:
  // The number of rows.
  std::size_t size() const { return rows_; }
  bool empty() const { return rows_ == 0; }

  // Makes `rows` rows; rows added are empty in every column.
  void resize(std::size_t rows);

  // Row `row` (below size()), its columns as optionals.
  MotionRow operator[](std::size_t row) const;

  // Column `column` of row `row` (both in range).
  std::optional<double> at(std::size_t row, std::size_t column) const {
    if (present_.empty() || (present_[row] >> column & 1u) == 0) return std::nullopt;
    return values_[row][column];
  }

  // Sets column `column` of row `row` (both in range) to `value`.
  void set(std::size_t row, std::size_t column, std::optional<double> value);

 private:
  std::size_t rows_ = 0;
  // Both empty until a value is set, then one entry per row.
  std::vector<std::array<double, kMotionColumnCount>> values_;
  std::vector<std::uint8_t> present_;  // bit c: column c holds a value
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_MOTION_ROWS_H_
