#pragma once
// The correlogram and the line-printer plot of the statistical-properties test.
#include <span>
#include <string_view>

#include "report/writer.hpp"
#include "store/array.hpp"
#include "store/store.hpp"

namespace flowplex {

// Autocorrelations r[0..K-1] (lags 1..K) of the first n values of x, divisor n in
// covariance and variance. A series without variance gives 0 at every lag.
void aut01(int n, std::span<const float> x, int K, std::span<float> r);

// The picture the plot calls draw into, kept between them (row 1 bottom, column 1 left).
struct PlotGrid {
  Arr<char, kPlotRows, kPlotColumns> PLOTGRID;
};

// What one plot call draws into and prints from.
struct PlotAxes {
  std::string_view x_title;  // 13 characters, the first 10 printed
  std::string_view y_title;
  int x_range_flag = 2;      // 2: the given x range; otherwise from the points
  int y_range_flag = 2;
  float y_max = 0.0F, y_min = 0.0F, x_max = 0.0F, x_min = 0.0F;
};

// Draws the first n points (x, y) with the symbol (1 ".", 2 "+", 3 "*", 4 "-",
// 5 "#", 6 "X", 7 blank) into the grid. Modes 3 and 4 add to the picture, the
// others clear it first; modes 1 and 3 do not print. Printing writes the picture to
// out and blanks the grid. A zero range draws no point.
void plot(PlotGrid& grid, LineWriter& out, int n, std::span<const float> x, std::span<const float> y,
          const PlotAxes& axes, int symbol, int mode);

}  // namespace flowplex
