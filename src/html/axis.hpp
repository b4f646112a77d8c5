#pragma once
// A chart's value axis: a range widened to round tick values, and the map from a value to
// its position on the drawing.
#include <span>
#include <string>
#include <vector>

namespace flowplex::html {

class Axis {
 public:
  // An axis that holds every finite value given (non-finite ones are ignored), widened to
  // round ticks, about `ticks` of them; from and to are the drawing positions of its two
  // ends (for a vertical axis, `from` is the bottom).
  static Axis covering(std::span<const double> values, int ticks, double from, double to);
  // An axis over the fixed range lo..hi with ticks every step.
  static Axis fixed(double lo, double hi, double step, double from, double to);

  double at(double value) const { return from_ + (value - lo_) * (to_ - from_) / (hi_ - lo_); }
  double lo() const { return lo_; }
  double hi() const { return hi_; }
  std::vector<double> ticks() const;
  // A tick's label, with as many decimals as the tick step needs.
  std::string label(double tick) const;

 private:
  Axis(double lo, double hi, double step, double from, double to);
  double lo_, hi_, step_, from_, to_;
  int decimals_;
};

}  // namespace flowplex::html
