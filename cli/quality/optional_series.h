// A per-volume series whose values may be missing, held as one double a
// volume: a long run has many such series, and an optional double takes
// twice the room.
#ifndef QUORVEL_CLI_QUALITY_OPTIONAL_SERIES_H_
#define QUORVEL_CLI_QUALITY_OPTIONAL_SERIES_H_

#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <vector>

namespace quorvel::cli {

// Values by volume, each present or missing. A missing value is stored as
// one NaN bit pattern that no arithmetic makes from the runs' samples, so
// a present NaN stays present and every value reads back as it was set.
class OptionalSeries {
 public:
  // Walks the values in order, each read as an optional.
  class const_iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = std::optional<double>;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = std::optional<double>;

    const_iterator() = default;
    const_iterator(const OptionalSeries* series, std::size_t index)
        : series_(series), index_(index) {}
    std::optional<double> operator*() const { return (*series_)[index_]; }
    const_iterator& operator++() { return ++index_, *this; }
    const_iterator operator+(difference_type step) const {
      return {series_, index_ + static_cast<std::size_t>(step)};
    }
    difference_type operator-(const const_iterator& other) const {
      return static_cast<difference_type>(index_) - static_cast<difference_type>(other.index_);
    }
    bool operator==(const const_iterator& other) const { return index_ == other.index_; }
    bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

   private:
    const OptionalSeries* series_ = nullptr;
    std::size_t index_ = 0;
  };

  OptionalSeries() = default;
  // The values given, in order.
  OptionalSeries(std::initializer_list<std::optional<double>> values);
  // The values of [first, last) of another series.
  OptionalSeries(const_iterator first, const_iterator last);

  std::size_t size() const { return values_.size(); }
  bool empty() const { return values_.empty(); }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, values_.size()}; }

  // The value of volume `index` (below size()), empty when missing.
  std::optional<double> operator[](std::size_t index) const;
  // Sets the value of volume `index` (below size()).
  void set(std::size_t index, std::optional<double> value);
  // Makes the series `size` values long, every one missing.
  void assign(std::size_t size, std::nullopt_t /*missing*/);
  // Appends `value`.
  void push_back(std::optional<double> value);

  // Equal when both hold equal values, missing in the same places.
  bool operator==(const OptionalSeries& other) const;
  bool operator!=(const OptionalSeries& other) const { return !(*this == other); }

 private:
  std::vector<double> values_;  // the missing ones hold the marker
};

}  // namespace quorvel::cli

#endif  // QUORVEL_CLI_QUALITY_OPTIONAL_SERIES_H_
