#pragma once
// Fixed-size arrays with 1-based indices, first index varying fastest, so that
// code reads like the formulas: FLOW(m, y, s, k) is month m, year y, sequence s,
// slot k. Indices are checked in checked builds (debug and sanitizer builds).
#include <array>
#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

namespace flowplex {

template <typename T, int... Dims>
class Arr {
  static_assert(sizeof...(Dims) >= 1, "an array needs at least one dimension");
  static constexpr std::array<int, sizeof...(Dims)> kDims{Dims...};

 public:
  static constexpr int kRank = static_cast<int>(sizeof...(Dims));
  static constexpr std::size_t kSize = (std::size_t{1} * ... * static_cast<std::size_t>(Dims));

  template <typename... I>
  T& operator()(I... index) {
    return v_[offset(static_cast<int>(index)...)];
  }
  template <typename... I>
  const T& operator()(I... index) const {
    return v_[offset(static_cast<int>(index)...)];
  }

  static constexpr int extent(int dimension) { return kDims[static_cast<std::size_t>(dimension - 1)]; }

  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  std::span<T> all() { return v_; }
  std::span<const T> all() const { return v_; }

  // The n elements that start at element (index...), stepping along the first index:
  // e.g. span(n, 1, y) of a (month, year) array is months 1..n of year y.
  template <typename... I>
  std::span<T> span(int n, I... index) {
    T* first = &(*this)(index...);
    check_run(first, n);
    return {first, static_cast<std::size_t>(n)};
  }
  template <typename... I>
  std::span<const T> span(int n, I... index) const {
    const T* first = &(*this)(index...);
    check_run(first, n);
    return {first, static_cast<std::size_t>(n)};
  }

  void fill(const T& value) { v_.fill(value); }

 private:
  // Element strides of the dimensions, known at compile time so that an index folds
  // into constant multiplications.
  static constexpr std::array<std::ptrdiff_t, sizeof...(Dims)> kStrides = [] {
    std::array<std::ptrdiff_t, sizeof...(Dims)> stride{};
    std::ptrdiff_t step = 1;
    for (std::size_t d = 0; d < stride.size(); ++d) {
      stride[d] = step;
      step *= kDims[d];
    }
    return stride;
  }();

  template <typename... I>
  static std::size_t offset(I... index) {
    static_assert(sizeof...(I) == sizeof...(Dims), "wrong number of indices");
    return offset_along(std::make_index_sequence<sizeof...(I)>{}, index...);
  }
  template <std::size_t... D, typename... I>
  static std::size_t offset_along(std::index_sequence<D...>, I... index) {
#ifdef FLOWPLEX_CHECKED
    (check_index(D, index), ...);
#endif
    return static_cast<std::size_t>((std::ptrdiff_t{0} + ... + (static_cast<std::ptrdiff_t>(index - 1) * kStrides[D])));
  }
#ifdef FLOWPLEX_CHECKED
  static void check_index(std::size_t d, int at) {
    if (at < 1 || at > kDims[d])
      throw std::out_of_range("array index " + std::to_string(at) + " outside 1.." + std::to_string(kDims[d]) +
                              " in dimension " + std::to_string(d + 1));
  }
#endif
  void check_run([[maybe_unused]] const T* first, [[maybe_unused]] int n) const {
#ifdef FLOWPLEX_CHECKED
    if (n < 0 || first - v_.data() + n > static_cast<std::ptrdiff_t>(kSize))
      throw std::out_of_range("array run of " + std::to_string(n) + " elements leaves the array");
#endif
  }

  std::array<T, kSize> v_{};
};

}  // namespace flowplex
