#include "stats_test/plot.hpp"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace flowplex {
namespace {

class Lines : public LineWriter {
 public:
  std::string text;

 protected:
  void emit(std::string_view lines) override { text.append(lines); }
};

const PlotAxes kAxes{"CAPACITY %MAR", "YIELD %MAR   ", 2, 2, 100.0F, 0.0F, 400.0F, 0.0F};

TEST(Correlogram, LagOneOfKnownSeries) {
  std::array<float, 1> r{};
  const std::array<float, 4> rising{1, 2, 3, 4};
  aut01(4, rising, 1, r);
  EXPECT_FLOAT_EQ(r[0], 0.25F);
  const std::array<float, 6> alternating{5, 9, 5, 9, 5, 9};
  aut01(6, alternating, 1, r);
  EXPECT_FLOAT_EQ(r[0], -5.0F / 6.0F);
  const std::array<float, 3> constant{0.3F, 0.3F, 0.3F};
  aut01(3, constant, 1, r);
  EXPECT_EQ(r[0], 0.0F);
}

TEST(Plot, ColumnsAndRowsAtTheRangeEdges) {
  auto grid = std::make_unique<PlotGrid>();
  Lines out;
  const std::vector<float> x{400.0F, 401.9F, 402.0F, -1.0F, -10.0F, 200.0F};
  const std::vector<float> y{50.0F, 60.0F, 70.0F, 80.0F, 90.0F, 5.0F};
  plot(*grid, out, 6, x, y, kAxes, 2, 1);
  EXPECT_TRUE(out.text.empty());
  EXPECT_EQ(grid->PLOTGRID(26, 101), '+');
  EXPECT_EQ(grid->PLOTGRID(31, 101), '+');
  EXPECT_EQ(grid->PLOTGRID(36, 101), ' ');
  EXPECT_EQ(grid->PLOTGRID(41, 1), '+');
  EXPECT_EQ(grid->PLOTGRID(46, 1), ' ');
  EXPECT_EQ(grid->PLOTGRID(4, 51), '+');
}

TEST(Plot, AddModesKeepThePictureAndClearingModesStartAgain) {
  auto grid = std::make_unique<PlotGrid>();
  Lines out;
  const std::vector<float> a{0.0F};
  plot(*grid, out, 1, a, a, kAxes, 1, 1);
  plot(*grid, out, 0, {}, {}, kAxes, 1, 3);
  EXPECT_EQ(grid->PLOTGRID(1, 1), '.');
  plot(*grid, out, 0, {}, {}, kAxes, 1, 1);
  EXPECT_EQ(grid->PLOTGRID(1, 1), ' ');
}

TEST(Plot, ZeroRangeDrawsNothing) {
  auto grid = std::make_unique<PlotGrid>();
  Lines out;
  const std::vector<float> x{0.0F, 0.0F};
  PlotAxes automatic = kAxes;
  automatic.x_range_flag = 0;
  plot(*grid, out, 2, x, x, automatic, 6, 1);
  for (int r = 1; r <= kPlotRows; ++r)
    for (int c = 1; c <= kPlotColumns; ++c) ASSERT_EQ(grid->PLOTGRID(r, c), ' ');
}

TEST(Plot, PrintedPictureHasBordersLabelsAndIsClearedAfterwards) {
  auto grid = std::make_unique<PlotGrid>();
  Lines out;
  const std::vector<float> x{400.0F};
  const std::vector<float> y{100.0F};
  plot(*grid, out, 1, x, y, kAxes, 5, 0);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = out.text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(out.text.substr(at, end - at));
  ASSERT_EQ(lines.size(), 55U);
  const std::string border = std::string(26, ' ') + "+" + [] {
    std::string s;
    for (int i = 0; i < 10; ++i) s += "---------+";
    return s;
  }();
  EXPECT_EQ(lines[0], border);
  EXPECT_EQ(lines[1], "   YIELD %MAR     100.00 +" + std::string(100, ' ') + "#+");
  EXPECT_EQ(lines[2], std::string(25, ' ') + "I" + std::string(101, ' ') + "I");
  EXPECT_EQ(lines[6], std::string(13, ' ') + "      90.00 +" + std::string(101, ' ') + "+");
  EXPECT_EQ(lines[51], std::string(13, ' ') + "       0.00 +" + std::string(101, ' ') + "+");
  EXPECT_EQ(lines[52], " " + border.substr(1));
  EXPECT_EQ(lines[53], std::string(19, ' ') + "       0.00" + std::string(9, ' ') + "      80.00" + std::string(9, ' ') +
                           "     160.00" + std::string(9, ' ') + "     240.00" + std::string(9, ' ') + "     320.00" +
                           std::string(9, ' ') + "     400.00");
  EXPECT_EQ(lines[54], std::string(71, ' ') + "CAPACITY %");
  EXPECT_EQ(grid->PLOTGRID(51, 101), ' ');
}

}  // namespace
}  // namespace flowplex
