#include "html/markup.hpp"

#include <charconv>
#include <cmath>

#include "report/layout.hpp"

namespace flowplex::html {
namespace {

// The length of the well-formed UTF-8 sequence that starts text[i], or 0.
std::size_t utf8_length(std::string_view text, std::size_t i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  const std::size_t n = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
  if (n == 0 || i + n > text.size()) return 0;
  for (std::size_t k = 1; k < n; ++k)
    if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 0;
  return n;
}

void append_latin1(std::string& out, unsigned char byte) {
  out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
  out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
}

}  // namespace

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x80) {
      if (const std::size_t n = utf8_length(text, i)) {
        out.append(text.substr(i, n));
        i += n;
      } else {
        append_latin1(out, byte);
        ++i;
      }
      continue;
    }
    switch (byte) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(byte < 0x20 || byte == 0x7F ? '?' : static_cast<char>(byte));
    }
    ++i;
  }
  return out;
}

double on_grid(double value) { return std::round(value * 10.0) / 10.0; }

std::string coordinate(double value) {
  char buf[64];
  const double tenths = on_grid(value);
  const auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, tenths == 0.0 ? 0.0 : tenths, std::chars_format::fixed, 1);
  std::string s(buf, ec == std::errc() ? end : buf);
  if (s.ends_with(".0")) s.resize(s.size() - 2);
  return s;
}

std::string report_number(double value, int width, int decimals) {
  std::string s = format_real(value, width, decimals);
  s.erase(0, s.find_first_not_of(' '));
  if (decimals == 0 && s.ends_with('.')) s.pop_back();
  return s;
}

}  // namespace flowplex::html
