#pragma once
// Blank-padded text of a fixed length, as the store keeps gauge names and file names.
#include <algorithm>
#include <array>
#include <string_view>

namespace flowplex {

template <int N>
struct Text {
  std::array<char, N> c{};

  Text() = default;
  explicit Text(std::string_view s) { assign(s); }

  // The first N characters of s, padded with blanks.
  void assign(std::string_view s) {
    c.fill(' ');
    std::copy_n(s.begin(), std::min<std::size_t>(s.size(), N), c.begin());
  }
  std::string_view view() const { return {c.data(), static_cast<std::size_t>(N)}; }
  // The characters before the first blank: the stem of a gauge's file names. A text
  // that begins with a blank, or has no blank at all, has an empty first word.
  std::string_view first_word() const {
    const std::string_view v = view();
    const auto blank = v.find(' ');
    return blank == std::string_view::npos ? std::string_view{} : v.substr(0, blank);
  }
  bool blank() const { return view().find_first_not_of(' ') == std::string_view::npos; }
  static constexpr int length() { return N; }
};

}  // namespace flowplex
