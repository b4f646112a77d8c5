#pragma once
// Layouts in the system's line-printer notation, e.g. R"(20X "(A)" 5X F11.1 5X 7F12.1)",
// parsed once (keep a routine's layouts as named constants beside it) and applied to a
// list of values to make report lines, or to an input line to read its fields.
//
// Descriptors: Iw, Fw.d, A, Aw, nX, /, "literal", n(...) groups, and repeat counts in
// front of a descriptor (7F12.1). Blanks and commas between descriptors are ignored.
#include <array>
#include <concepts>
#include <cstddef>
#include <optional>
#include <ranges>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "store/text.hpp"

namespace flowplex {

// One value handed to a layout: an integer (for I), a real (for F) or a text (for A).
struct Value {
  enum class Kind { Integer, Real, Text };
  Kind kind = Kind::Integer;
  long long integer = 0;
  double real = 0.0;
  std::string_view text;
};

template <typename T>
concept TextLike = std::convertible_to<const T&, std::string_view>;

// The values of one output statement, in order. Fixed capacity, no allocation.
class Values {
 public:
  static constexpr std::size_t kCapacity = 160;

  Values& add(std::integral auto v) { return push({Value::Kind::Integer, static_cast<long long>(v), 0.0, {}}); }
  Values& add(std::floating_point auto v) { return push({Value::Kind::Real, 0, static_cast<double>(v), {}}); }
  Values& add(std::string_view v) { return push({Value::Kind::Text, 0, 0.0, v}); }
  Values& add(const char* v) { return add(std::string_view(v)); }
  Values& add(const std::string& v) { return add(std::string_view(v)); }
  template <int N>
  Values& add(const Text<N>& v) { return add(v.view()); }
  // A range of numbers (array, span, vector): each element is one value.
  template <std::ranges::input_range R>
    requires(!TextLike<R>)
  Values& add(const R& range) {
    for (const auto& v : range) add(v);
    return *this;
  }

  std::size_t size() const { return n_; }
  const Value& operator[](std::size_t i) const { return v_[i]; }

 private:
  Values& push(const Value& v) {
    if (n_ == kCapacity) throw std::logic_error("too many values for one output statement");
    v_[n_++] = v;
    return *this;
  }
  std::array<Value, kCapacity> v_{};
  std::size_t n_ = 0;
};

// The width and decimals of one field of a layout (decimals 0 for I and A fields).
struct FieldFormat {
  int width = 0;
  int decimals = 0;
};

class Layout {
 public:
  // Parses the notation; a malformed layout is a programming error (std::logic_error).
  explicit Layout(std::string_view notation);

  // Applies the layout to the values and appends the lines it makes to out, each line
  // ended by '\n'. Output stops at the first value-taking descriptor with no value left;
  // values that outlast the layout resume it from its last top-level group (or its start).
  void format(const Values& values, std::string& out) const;

  // Reads the fields of one input line by the layout into out (I and F fields, in order,
  // as reals; X skips columns; literals are not used). An all-blank field, also one
  // beyond the end of a short line, reads as 0; blanks inside a field are ignored; an F
  // field without a decimal point takes its last d digits as decimals. Reading stops
  // after out.size() values. Returns a description of the first unreadable field, or
  // nothing when every field read.
  std::optional<std::string> read(std::string_view line, std::span<double> out) const;

  // The field that takes value n (from 0) of an output statement, so that another writer
  // of the same number can print it as the report does. A programming error
  // (std::logic_error) when the layout takes fewer values.
  FieldFormat field(std::size_t n) const;

  struct Node {
    enum class Kind { Literal, Skip, Slash, Integer, Real, Text, Group };
    Kind kind = Kind::Literal;
    int repeat = 1;
    int width = 0;     // I, F, Aw (0 for A: the item's own length); columns for X
    int decimals = 0;  // F
    std::string literal;
    std::vector<Node> group;
  };

 private:
  std::vector<Node> nodes_;
  std::size_t reversion_ = 0;  // index of the last top-level group, or 0
  bool takes_values_ = false;
};

// Formats a real as Fw.d: rounded like C's printf, a leading zero only when the field
// has room, w asterisks when it does not fit (and for values that are not finite).
std::string format_real(double value, int width, int decimals);
// Formats an integer as Iw: w asterisks when it does not fit.
std::string format_integer(long long value, int width);

// Parses one input field as a number, the way an Fw.d field is read: blanks ignored,
// all blank = 0, implied decimals when there is no decimal point. Nothing for a field
// that is not a finite number.
std::optional<double> parse_field(std::string_view field, int decimals);

}  // namespace flowplex
