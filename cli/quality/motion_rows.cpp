#include "cli/quality/motion_rows.h"

namespace quorvel::cli {

void MotionRows::resize(std::size_t rows) {
  rows_ = rows;
  if (!present_.empty()) {
    values_.resize(rows);
    present_.resize(rows, 0);
  }
}

MotionRow MotionRows::operator[](std::size_t row) const {
  MotionRow out;
  for (std::size_t c = 0; c < kMotionColumnCount; ++c) out[c] = at(row, c);
  return out;
}

void MotionRows::set(std::size_t row, std::size_t column, std::optional<double> value) {
  if (!value && present_.empty()) return;
  if (present_.empty()) {
    values_.resize(rows_);
    present_.resize(rows_, 0);
  }
  const auto bit = static_cast<std::uint8_t>(1u << column);
  if (value) {
    values_[row][column] = *value;
    present_[row] = static_cast<std::uint8_t>(present_[row] | bit);
  } else {
    present_[row] = static_cast<std::uint8_t>(present_[row] & ~bit);
  }
}

}  // namespace quorvel::cli
