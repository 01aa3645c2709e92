#include "cli/quality/optional_series.h"

#include <cstdint>
#include <cstring>

namespace quorvel::cli {
namespace {

// A quiet NaN whose low payload bits are set: arithmetic yields the
// default NaN or passes on an input's, and a NaN widened from a float
// sample has those bits clear, so no value computed from a run is this.
constexpr std::uint64_t kMissingBits = 0x7FF80000000D15A5ull;

std::uint64_t bitsOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double missingMarker() {
  double value = 0;
  std::memcpy(&value, &kMissingBits, sizeof value);
  return value;
}

double stored(std::optional<double> value) { return value ? *value : missingMarker(); }

}  // namespace

OptionalSeries::OptionalSeries(std::initializer_list<std::optional<double>> values) {
  values_.reserve(values.size());
  for (const std::optional<double>& value : values) values_.push_back(stored(value));
}

OptionalSeries::OptionalSeries(const_iterator first, const_iterator last) {
  values_.reserve(static_cast<std::size_t>(last - first));
  for (; first != last; ++first) values_.push_back(stored(*first));
}

std::optional<double> OptionalSeries::operator[](std::size_t index) const {
  const double value = values_[index];
  if (bitsOf(value) == kMissingBits) return std::nullopt;
  return value;
}

void OptionalSeries::set(std::size_t index, std::optional<double> value) {
  values_[index] = stored(value);
}

void OptionalSeries::assign(std::size_t size, std::nullopt_t /*missing*/) {
  values_.assign(size, missingMarker());
}

void OptionalSeries::push_back(std::optional<double> value) { values_.push_back(stored(value)); }

bool OptionalSeries::operator==(const OptionalSeries& other) const {
  if (values_.size() != other.values_.size()) return false;
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if ((*this)[i] != other[i]) return false;
  }
  return true;
}

}  // namespace quorvel::cli
