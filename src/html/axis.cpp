#include "html/axis.hpp"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace flowplex::html {
namespace {

// The round step (1, 2 or 5 times a power of ten) nearest above span / ticks.
double round_step(double span, int ticks) {
  const double raw = span / std::max(ticks, 1);
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double m : {1.0, 2.0, 5.0})
    if (m * power >= raw * 0.999) return m * power;
  return 10.0 * power;
}

int decimals_of(double step) { return std::clamp(static_cast<int>(std::ceil(-std::log10(step) - 1e-9)), 0, 6); }

}  // namespace

Axis::Axis(double lo, double hi, double step, double from, double to)
    : lo_(lo), hi_(hi), step_(step), from_(from), to_(to), decimals_(decimals_of(step)) {}

Axis Axis::covering(std::span<const double> values, int ticks, double from, double to) {
  double lo = INFINITY, hi = -INFINITY;
  for (const double v : values)
    if (std::isfinite(v)) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  if (!(lo <= hi)) lo = 0.0, hi = 1.0;
  // A single value (or equal ones) still needs a span to stand in.
  if (hi - lo < 1e-9 * std::max(1.0, std::abs(hi))) {
    const double pad = std::max(std::abs(hi) * 0.1, 1.0);
    lo -= pad;
    hi += pad;
  }
  const double step = round_step(hi - lo, ticks);
  return Axis(std::floor(lo / step) * step, std::ceil(hi / step) * step, step, from, to);
}

Axis Axis::fixed(double lo, double hi, double step, double from, double to) { return Axis(lo, hi, step, from, to); }

std::vector<double> Axis::ticks() const {
  std::vector<double> out;
  const long long first = std::llround(lo_ / step_), last = std::llround(hi_ / step_);
  for (long long i = first; i <= last; ++i) out.push_back(static_cast<double>(i) * step_);
  return out;
}

std::string Axis::label(double tick) const {
  char buf[64];
  const double shown = std::abs(tick) < step_ * 1e-6 ? 0.0 : tick;
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, shown, std::chars_format::fixed, decimals_);
  return std::string(buf, ec == std::errc() ? end : buf);
}

}  // namespace flowplex::html
