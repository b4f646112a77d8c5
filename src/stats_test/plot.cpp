#include "stats_test/plot.hpp"

#include <algorithm>
#include <array>

#include "report/layout.hpp"

namespace flowplex {

namespace {

const Layout kPlotBorder{R"(26X "+" 10("---------+"))"};
const Layout kPlotTopLine{R"(3X A10 F11.2 1X "+" 101A1 "+")"};
const Layout kPlotLabelledLine{R"(13X F11.2 1X "+" 101A1 "+")"};
const Layout kPlotLine{R"(25X "I" 101A1 "I")"};
const Layout kPlotBottom{R"(" " 25X "+" 10("---------+"))"};
const Layout kPlotXLabels{R"(19X F11.2 5(9X F11.2) / 71X A10)"};

constexpr std::string_view kSymbols = ".+*-#X ";

float value(std::span<const float> v, int i) { return v[static_cast<std::size_t>(i - 1)]; }

char symbol_char(int symbol) {
  return symbol >= 1 && symbol <= static_cast<int>(kSymbols.size()) ? kSymbols[static_cast<std::size_t>(symbol - 1)]
                                                                    : ' ';
}

struct Range {
  float min = 0.0F;
  float max = 0.0F;
};

// The given range, or one spanning the points and 0.
Range axis_range(int flag, float given_min, float given_max, int n, std::span<const float> v) {
  if (flag == 2) return {given_min, given_max};
  Range r;
  for (int i = 1; i <= n; ++i) {
    r.min = std::min(r.min, value(v, i));
    r.max = std::max(r.max, value(v, i));
  }
  return r;
}

void blank(PlotGrid& grid) { grid.PLOTGRID.fill(' '); }

// The cells of one grid row, left to right, as values of a layout.
void add_row(Values& v, const PlotGrid& grid, int row) {
  for (int c = 1; c <= kPlotColumns; ++c) v.add(std::string_view(&grid.PLOTGRID(row, c), 1));
}

void print(const PlotGrid& grid, LineWriter& out, const PlotAxes& axes, Range xr, Range yr, float dx,
           float dy) {
  out.write(kPlotBorder);
  for (int j = 1; j <= kPlotRows; ++j) {
    const float level = yr.max - static_cast<float>(j - 1) * dy;
    Values v;
    if (j == 1) v.add(axes.y_title.substr(0, 10));
    if (j % 5 == 1) v.add(level);
    add_row(v, grid, kPlotRows + 1 - j);
    out.write_values(j == 1 ? kPlotTopLine : (j % 5 == 1 ? kPlotLabelledLine : kPlotLine), v);
  }
  out.write(kPlotBottom);
  Values labels;
  for (int c = 0; c <= 5; ++c) labels.add(static_cast<float>(xr.min + static_cast<float>(c * 20) * dx));
  labels.add(axes.x_title.substr(0, 10));
  out.write_values(kPlotXLabels, labels);
}

}  // namespace

void aut01(int n, std::span<const float> x, int K, std::span<float> r) {
  for (int k = 1; k <= K; ++k) r[static_cast<std::size_t>(k - 1)] = 0.0F;
  if (n < 1) return;
  long double s1 = 0.0L;
  long double s2 = 0.0L;
  bool constant = true;
  for (int i = 1; i <= n; ++i) {
    s1 += value(x, i);
    s2 += static_cast<long double>(value(x, i)) * value(x, i);
    constant = constant && value(x, i) == value(x, 1);
  }
  const long double m = s1 / n;
  const long double c0 = (s2 - n * m * m) / n;
  if (constant || c0 <= 0.0L) return;  // no variance to correlate against
  long double head = s1;  // x(1..n-k)
  long double tail = s1;  // x(k+1..n)
  for (int k = 1; k <= K && k < n; ++k) {
    head -= value(x, n - k + 1);
    tail -= value(x, k);
    long double lagged = 0.0L;
    for (int i = 1; i <= n - k; ++i) lagged += static_cast<long double>(value(x, i)) * value(x, i + k);
    r[static_cast<std::size_t>(k - 1)] =
        static_cast<float>((lagged - m * (head + tail) + (n - k) * m * m) * (1.0L / n) * (1.0L / c0));
  }
}

void plot(PlotGrid& grid, LineWriter& out, int n, std::span<const float> x, std::span<const float> y,
          const PlotAxes& axes, int symbol, int mode) {
  const Range xr = axis_range(axes.x_range_flag, axes.x_min, axes.x_max, n, x);
  const Range yr = axis_range(axes.y_range_flag, axes.y_min, axes.y_max, n, y);
  if (mode != 3 && mode != 4) blank(grid);
  const float dx = (xr.max - xr.min) * 0.01F;
  const float dy = (yr.max - yr.min) * 0.02F;
  if (dx != 0.0F && dy != 0.0F) {
    const char mark = symbol_char(symbol);
    for (int i = 1; i <= n; ++i) {
      // Nearest column and row; tested before truncation so far points never overflow.
      const float column = (value(x, i) - xr.min) * (1.0F / dx) + 1.0F + 0.5F;
      if (!(column >= 1.0F && column < static_cast<float>(kPlotColumns + 1))) continue;
      const float row = 0.5F + 1.0F + (value(y, i) - yr.min) / dy;
      if (!(row >= 1.0F && row < static_cast<float>(kPlotRows + 1))) continue;
      grid.PLOTGRID(static_cast<int>(row), static_cast<int>(column)) = mark;
    }
  }
  if (mode == 1 || mode == 3) return;
  print(grid, out, axes, xr, yr, dx, dy);
  blank(grid);
}

}  // namespace flowplex
