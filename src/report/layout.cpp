#include "report/layout.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace flowplex {
namespace {

using Node = Layout::Node;
using Kind = Layout::Node::Kind;

[[noreturn]] void bad_layout(std::string_view notation, std::string_view why) {
  throw std::logic_error("layout " + std::string(notation) + ": " + std::string(why));
}

class Parser {
 public:
  explicit Parser(std::string_view text) : t_(text) {}

  std::vector<Node> items(bool in_group) {
    std::vector<Node> out;
    for (;;) {
      skip_separators();
      if (at_end()) {
        if (in_group) bad_layout(t_, "unclosed group");
        return out;
      }
      if (t_[p_] == ')') {
        if (!in_group) bad_layout(t_, "unexpected )");
        ++p_;
        return out;
      }
      out.push_back(item());
    }
  }

 private:
  bool at_end() const { return p_ >= t_.size(); }
  void skip_separators() {
    while (!at_end() && (t_[p_] == ' ' || t_[p_] == ',')) ++p_;
  }
  int number() {
    int n = 0;
    bool any = false;
    while (!at_end() && std::isdigit(static_cast<unsigned char>(t_[p_]))) {
      const int digit = t_[p_++] - '0';
      if (n > (std::numeric_limits<int>::max() - digit) / 10) bad_layout(t_, "number too large");
      n = n * 10 + digit;
      any = true;
    }
    if (!any) bad_layout(t_, "number expected");
    return n;
  }
  bool digit_next() const { return !at_end() && std::isdigit(static_cast<unsigned char>(t_[p_])); }

  Node item() {
    Node n;
    if (t_[p_] == '"') {
      ++p_;
      const auto close = t_.find('"', p_);
      if (close == std::string_view::npos) bad_layout(t_, "unclosed literal");
      n.kind = Kind::Literal;
      n.literal = std::string(t_.substr(p_, close - p_));
      p_ = close + 1;
      return n;
    }
    if (t_[p_] == '/') {
      ++p_;
      n.kind = Kind::Slash;
      return n;
    }
    if (digit_next()) n.repeat = number();
    if (at_end()) bad_layout(t_, "descriptor expected");
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(t_[p_++])));
    switch (c) {
      case '(':
        n.kind = Kind::Group;
        n.group = items(true);
        break;
      case 'X':
        n.kind = Kind::Skip;
        n.width = n.repeat;
        n.repeat = 1;
        break;
      case 'I':
        n.kind = Kind::Integer;
        n.width = number();
        break;
      case 'F':
        n.kind = Kind::Real;
        n.width = number();
        if (at_end() || t_[p_] != '.') bad_layout(t_, "F needs w.d");
        ++p_;
        n.decimals = number();
        break;
      case 'A':
        n.kind = Kind::Text;
        n.width = digit_next() ? number() : 0;
        break;
      case '"': {
        // A repeated literal, e.g. 15"-".
        --p_;
        Node lit = item();
        lit.repeat = n.repeat;
        return lit;
      }
      default:
        bad_layout(t_, std::string("unknown descriptor ") + c);
    }
    return n;
  }

  std::string_view t_;
  std::size_t p_ = 0;
};

bool takes_value(const Node& n) {
  if (n.kind == Kind::Integer || n.kind == Kind::Real || n.kind == Kind::Text) return true;
  if (n.kind == Kind::Group)
    for (const Node& g : n.group)
      if (takes_value(g)) return true;
  return false;
}

// Applies a layout to the values, line by line.
class Formatter {
 public:
  Formatter(const Values& values, std::string& out) : v_(values), out_(out) {}

  // Runs the nodes; false when output stopped for want of a value.
  bool run(const std::vector<Node>& nodes, std::size_t from) {
    for (std::size_t i = from; i < nodes.size(); ++i)
      for (int r = 0; r < nodes[i].repeat; ++r)
        if (!apply(nodes[i])) return false;
    return true;
  }
  bool values_left() const { return next_ < v_.size(); }
  void end_line() {
    out_.append(line_);
    out_.push_back('\n');
    line_.clear();
    col_ = 0;
  }

 private:
  bool apply(const Node& n) {
    switch (n.kind) {
      case Kind::Literal: put(n.literal); return true;
      case Kind::Skip: col_ += static_cast<std::size_t>(n.width); return true;
      case Kind::Slash: end_line(); return true;
      case Kind::Group: return run(n.group, 0);
      default: break;
    }
    if (!values_left()) return false;
    const Value& v = v_[next_++];
    if (n.kind == Kind::Integer) {
      if (v.kind != Value::Kind::Integer) throw std::logic_error("I descriptor given a non-integer value");
      put(format_integer(v.integer, n.width));
    } else if (n.kind == Kind::Real) {
      if (v.kind != Value::Kind::Real) throw std::logic_error("F descriptor given a non-real value");
      put(format_real(v.real, n.width, n.decimals));
    } else {
      if (v.kind != Value::Kind::Text) throw std::logic_error("A descriptor given a number");
      put_text(v.text, n.width);
    }
    return true;
  }
  void put_text(std::string_view text, int width) {
    if (width == 0) return put(text);
    const auto w = static_cast<std::size_t>(width);
    if (text.size() >= w) return put(text.substr(0, w));
    put(std::string(w - text.size(), ' '));
    put(text);
  }
  void put(std::string_view s) {
    if (line_.size() < col_) line_.append(col_ - line_.size(), ' ');
    line_.replace(col_, std::min(s.size(), line_.size() - col_), s);
    col_ += s.size();
  }

  const Values& v_;
  std::string& out_;
  std::string line_;
  std::size_t col_ = 0;
  std::size_t next_ = 0;
};

// Reads fields of one input line.
class FieldReader {
 public:
  FieldReader(std::string_view line, std::span<double> out) : line_(line), out_(out) {}

  // Empty string: go on; otherwise the error.
  std::optional<std::string> run(const std::vector<Node>& nodes) {
    for (const Node& n : nodes)
      for (int r = 0; r < n.repeat && !full(); ++r)
        if (auto e = apply(n)) return e;
    return std::nullopt;
  }
  bool full() const { return got_ == out_.size(); }

 private:
  std::optional<std::string> apply(const Node& n) {
    switch (n.kind) {
      case Kind::Skip: col_ += static_cast<std::size_t>(n.width); return std::nullopt;
      case Kind::Group: return run(n.group);
      case Kind::Integer:
      case Kind::Real: return field(n);
      case Kind::Slash: throw std::logic_error("input layouts read one line");
      default: return std::nullopt;  // literals and text are not read
    }
  }
  std::optional<std::string> field(const Node& n) {
    const std::size_t first = col_;
    const std::string_view text =
        first < line_.size() ? line_.substr(first, static_cast<std::size_t>(n.width)) : std::string_view{};
    col_ += static_cast<std::size_t>(n.width);
    const auto v = parse_field(text, n.kind == Kind::Real ? n.decimals : 0);
    const auto columns = [&] {
      return "COLUMNS " + std::to_string(first + 1) + "-" + std::to_string(first + static_cast<std::size_t>(n.width));
    };
    const bool whole = n.kind == Kind::Real || !v || *v == std::trunc(*v);
    if (!v || !whole || (n.kind == Kind::Integer && std::fabs(*v) > 2147483647.0))
      return columns() + " DO NOT HOLD A " + (n.kind == Kind::Real ? "NUMBER" : "WHOLE NUMBER");
    // Every value read by columns is a flow or goes into arithmetic with flows, which are
    // single precision: a larger value would become infinite.
    if (std::fabs(*v) > FLT_MAX) return columns() + " HOLD A NUMBER TOO LARGE";
    out_[got_++] = *v;
    return std::nullopt;
  }

  std::string_view line_;
  std::span<double> out_;
  std::size_t col_ = 0;
  std::size_t got_ = 0;
};

}  // namespace

Layout::Layout(std::string_view notation) {
  nodes_ = Parser(notation).items(false);
  for (std::size_t i = 0; i < nodes_.size(); ++i) {
    if (nodes_[i].kind == Node::Kind::Group) reversion_ = i;
    if (takes_value(nodes_[i])) takes_values_ = true;
  }
}

void Layout::format(const Values& values, std::string& out) const {
  Formatter f(values, out);
  std::size_t from = 0;
  while (f.run(nodes_, from) && f.values_left() && takes_values_) {
    f.end_line();
    from = reversion_;
  }
  f.end_line();
}

std::optional<std::string> Layout::read(std::string_view line, std::span<double> out) const {
  FieldReader r(line, out);
  if (auto e = r.run(nodes_)) return e;
  if (!r.full()) throw std::logic_error("input layout holds fewer fields than asked for");
  return std::nullopt;
}

std::string format_integer(long long value, int width) {
  std::string s = std::to_string(value);
  const auto w = static_cast<std::size_t>(width);
  if (s.size() > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

std::string format_real(double value, int width, int decimals) {
  const auto w = static_cast<std::size_t>(width);
  if (!std::isfinite(value)) return std::string(w, '*');
  // Fixed notation rounded as printf rounds it, with the point written even without
  // decimals, as an F field shows it.
  char buf[400];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf - 1, value, std::chars_format::fixed, decimals);
  if (ec != std::errc()) return std::string(w, '*');
  std::string s(buf, end);
  if (decimals == 0) s.push_back('.');
  if (s.size() > w) {
    // Without room the zero before the decimal point of a value below 1 goes.
    const auto zero = s.find("0.");
    if ((zero == 0 || (zero == 1 && s[0] == '-'))) s.erase(zero, 1);
  }
  if (s.size() > w) return std::string(w, '*');
  return std::string(w - s.size(), ' ') + s;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Appends the digits that start at position i of s (blanks already gone) to out.
std::size_t take_digits(std::string_view s, std::size_t i, std::string& out) {
  const std::size_t start = i;
  while (i < s.size() && is_digit(s[i])) ++i;
  out.append(s.substr(start, i - start));
  return i;
}

// The number of a canonical text: correctly rounded, as strtod would give it, which is
// also asked where from_chars finds the value out of range (an underflow reads as 0).
std::optional<double> converted(const std::string& text) {
  double v = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec == std::errc::result_out_of_range) v = std::strtod(text.c_str(), nullptr);
  else if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

// A short decimal written plainly: [-]digits[.digits], at most 15 digits in all, read
// as the whole number of its digits divided by the power of ten of its decimals. Both
// are exact doubles, so the one rounding of the division gives the correctly rounded
// value, the same as any exact conversion; false for anything else.
bool plain_short_decimal(std::string_view token, double& v) {
  static constexpr std::array<double, 16> kPowersOfTen{1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                       1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  std::size_t i = token.front() == '-' ? 1 : 0;
  std::uint64_t digits = 0;
  int count = 0;
  int decimals = -1;  // -1: no point yet
  for (; i < token.size(); ++i) {
    const char c = token[i];
    if (c == '.' && decimals < 0) {
      decimals = 0;
      continue;
    }
    if (!is_digit(c) || ++count > 15) return false;
    digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
    if (decimals >= 0) ++decimals;
  }
  if (count == 0) return false;
  const double magnitude = static_cast<double>(digits) / kPowersOfTen[static_cast<std::size_t>(std::max(decimals, 0))];
  v = token.front() == '-' ? -magnitude : magnitude;
  return true;
}

// The number of an ordinary field read directly: blanks only around it, no plus sign,
// and a decimal point unless none is implied. Other fields, and any this cannot read
// whole, take the general way, which gives the same value wherever this one does.
std::optional<double> ordinary_number(std::string_view field, int decimals) {
  const std::size_t first = field.find_first_not_of(' ');
  if (first == std::string_view::npos) return std::nullopt;
  const std::string_view token = field.substr(first, field.find_last_not_of(' ') + 1 - first);
  const char lead = token.front();
  if (!(is_digit(lead) || lead == '.' || lead == '-')) return std::nullopt;
  if (decimals > 0 && token.find('.') == std::string_view::npos) return std::nullopt;
  double v = 0.0;
  if (plain_short_decimal(token, v)) return v;
  const auto [end, ec] = std::from_chars(token.data(), token.data() + token.size(), v);
  if (ec != std::errc() || end != token.data() + token.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace

std::optional<double> parse_field(std::string_view field, int decimals) {
  if (const auto v = ordinary_number(field, decimals)) return v;
  std::string digits;  // the field without its blanks; short fields stay off the heap
  for (char c : field)
    if (c != ' ') digits.push_back(c);
  if (digits.empty()) return 0.0;
  // sign, digits, optional point and digits, optional exponent (E or D).
  std::size_t i = 0;
  std::string text;
  if (digits[i] == '-') text.push_back('-');
  if (digits[i] == '+' || digits[i] == '-') ++i;
  std::string whole;
  i = take_digits(digits, i, whole);
  std::string fraction;
  const bool point = i < digits.size() && digits[i] == '.';
  if (point) i = take_digits(digits, i + 1, fraction);
  if (whole.empty() && fraction.empty()) return std::nullopt;
  std::string exponent;
  if (i < digits.size() && (digits[i] == 'E' || digits[i] == 'e' || digits[i] == 'D' || digits[i] == 'd')) {
    ++i;
    if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) exponent.push_back(digits[i++]);
    const std::size_t start = i;
    i = take_digits(digits, i, exponent);
    if (i == start) return std::nullopt;
  }
  if (i != digits.size()) return std::nullopt;
  if (!point && decimals > 0) {
    // The last d digits are the decimals.
    const auto d = static_cast<std::size_t>(decimals);
    if (whole.size() < d) whole.insert(0, d - whole.size(), '0');
    fraction = whole.substr(whole.size() - d);
    whole.erase(whole.size() - d);
  }
  text += whole.empty() ? "0" : whole;
  text += '.';
  text += fraction;
  if (!exponent.empty()) {
    text += 'e';
    text += exponent;
  }
  return converted(text);
}

namespace {

// Counts down the value-taking fields of the nodes, repeats and groups unrolled; the
// field at which the count reaches zero is the one sought.
const Layout::Node* nth_field(const std::vector<Layout::Node>& nodes, std::size_t& n) {
  for (const Layout::Node& node : nodes)
    for (int r = 0; r < node.repeat; ++r) {
      if (node.kind == Layout::Node::Kind::Group) {
        if (const Layout::Node* found = nth_field(node.group, n)) return found;
        continue;
      }
      const bool takes_value = node.kind == Layout::Node::Kind::Integer || node.kind == Layout::Node::Kind::Real ||
                               node.kind == Layout::Node::Kind::Text;
      if (!takes_value) continue;
      if (n == 0) return &node;
      --n;
    }
  return nullptr;
}

}  // namespace

FieldFormat Layout::field(std::size_t n) const {
  const Node* node = nth_field(nodes_, n);
  if (node == nullptr) throw std::logic_error("the layout takes fewer values");
  return {node->width, node->decimals};
}

}  // namespace flowplex
