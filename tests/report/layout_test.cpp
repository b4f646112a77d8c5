#include "report/layout.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace flowplex {
namespace {

template <typename... A>
std::string laid_out(const char* notation, const A&... values) {
  Values v;
  (v.add(values), ...);
  std::string out;
  Layout(notation).format(v, out);
  return out;
}

TEST(LayoutOutput, NumbersFitTheirFieldsOrBecomeAsterisks) {
  EXPECT_EQ(laid_out("F10.2", 1200000.0), "1200000.00\n");
  EXPECT_EQ(laid_out("F10.2", 10000000.0), "**********\n");
  EXPECT_EQ(laid_out("I3", 1000), "***\n");
  EXPECT_EQ(laid_out("I5", -42), "  -42\n");
  EXPECT_EQ(laid_out("F6.2", 0.5), "  0.50\n");
  EXPECT_EQ(laid_out("F3.2", 0.5), ".50\n");
  EXPECT_EQ(laid_out("F4.2", -0.5), "-.50\n");
  EXPECT_EQ(laid_out("F6.2", -0.001), " -0.00\n");
  EXPECT_EQ(laid_out("F8.0", 123.6), "    124.\n");
  EXPECT_EQ(laid_out("F4.0", 80.0), " 80.\n");
  EXPECT_EQ(laid_out("F7.2", 2.0 / 0.0 * 0.0), "*******\n");
}

TEST(LayoutOutput, TextLiteralsSkipsAndRepeats) {
  EXPECT_EQ(laid_out(R"(5X 36("-"))"), "     ------------------------------------\n");
  EXPECT_EQ(laid_out("A5", "AB"), "   AB\n");
  EXPECT_EQ(laid_out("A2", "ABCD"), "AB\n");
  EXPECT_EQ(laid_out(R"(A I3 A)", " PARAMETER FILE ( MAXIMUM OF", 15, " GAUGES )"),
            " PARAMETER FILE ( MAXIMUM OF 15 GAUGES )\n");
  EXPECT_EQ(laid_out(R"("1" 10X A / 10X 3("-") /)", "NAME"), "1          NAME\n          ---\n\n");
}

TEST(LayoutOutput, StopsAtTheFirstDescriptorWithoutAValue) {
  EXPECT_EQ(laid_out(R"("1" 10X A / 10X 110("-") /)"), "1\n");
  EXPECT_EQ(laid_out(R"(/ / 20X "SEQUENCE NO. IS " I5 /)", 3),
            "\n\n                    SEQUENCE NO. IS     3\n\n");
  EXPECT_EQ(laid_out(R"(/ 5X "X=" F5.1 " Y=" F5.1)", 1.0), "\n     X=  1.0 Y=\n");
}

TEST(LayoutOutput, ValuesThatOutlastTheLayoutResumeItsLastGroup) {
  std::array<double, 12> v{};
  for (int i = 0; i < 12; ++i) v[static_cast<std::size_t>(i)] = i + 1;
  EXPECT_EQ(laid_out("5X 10(F4.1)", v), "      1.0 2.0 3.0 4.0 5.0 6.0 7.0 8.0 9.010.0\n11.012.0\n");
  EXPECT_EQ(laid_out("I2", 1, 2), " 1\n 2\n");
}

TEST(LayoutInput, ImpliedDecimalsBlanksAndShortLines) {
  const Layout series{"4X I4 1X 12(F7.2 1X) F9.2"};
  std::array<double, 3> out{};
  ASSERT_FALSE(series.read("    1945  12345    1.5", out));
  EXPECT_EQ(out[0], 1945.0);
  EXPECT_DOUBLE_EQ(out[1], 123.45);
  EXPECT_DOUBLE_EQ(out[2], 1.5);
  ASSERT_FALSE(series.read("    1950", out));
  EXPECT_EQ(out[1], 0.0);
  EXPECT_EQ(out[2], 0.0);
  EXPECT_TRUE(series.read("    19x0", out));
  EXPECT_DOUBLE_EQ(*parse_field(" 1 2 ", 6), 0.000012);
  EXPECT_DOUBLE_EQ(*parse_field("1.5E2", 2), 150.0);
  EXPECT_FALSE(parse_field("nan", 2));
  EXPECT_FALSE(parse_field("1E999", 2));
}

// An F field rounds as printf's "%#.*f" does, halfway cases and signed zeros included.
TEST(LayoutOutput, RealFieldsRoundAsPrintfDoes) {
  std::vector<double> values{0.125, 0.375, 2.5, 3.5, -2.5, -0.0, -0.004, 1e15 + 0.5, 123456.789, 0.1, 1.0 / 3.0};
  double x = 0.7;
  for (int i = 0; i < 200; ++i) values.push_back((x = std::fmod(x * 9301.0 + 49297.0, 233280.0)) / (i % 7 + 1) - 5e4);
  for (const double v : values)
    for (const int decimals : {0, 1, 2, 5}) {
      char expected[64];
      std::snprintf(expected, sizeof expected, "%#.*f", decimals, v);
      const std::string field = format_real(v, 30, decimals);
      EXPECT_EQ(field.substr(field.find_first_not_of(' ')), expected) << v << " " << decimals;
    }
}

// Every way of writing a number by columns reads to the correctly rounded value of the
// same number written plainly, whichever way the reader takes.
TEST(LayoutInput, FieldsReadToTheCorrectlyRoundedValue) {
  const std::vector<std::pair<std::string, std::string>> cases{
      {"   12.345", "12.345"},  {"  .1", "0.1"},        {"-0.25", "-0.25"},      {"5.", "5."},
      {"1.5e3", "1.5e3"},      {" +0.7", "0.7"},        {"2.5D-1", "2.5e-1"},    {" 3 .1", "3.1"},
      {"-7", "-7"},            {"1e-400", "1e-400"},    {"0.30000000000000004", "0.30000000000000004"}};
  for (const auto& [field, plain] : cases) {
    const auto v = parse_field(field, 0);
    ASSERT_TRUE(v) << field;
    EXPECT_EQ(*v, std::strtod(plain.c_str(), nullptr)) << field;
    EXPECT_EQ(std::signbit(*v), plain[0] == '-') << field;
  }
  for (const char* refused : {"-", ".", "1.5-3", "-inf", "-nan", "0x10", "1.5 e", "1.2.3"})
    EXPECT_FALSE(parse_field(refused, 0)) << refused;
  // Many short decimals of every length, as the series files hold them.
  double x = 0.3;
  for (int i = 0; i < 3000; ++i) {
    x = std::fmod(x * 9301.0 + 49297.0, 233280.0);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", i % 9, (i % 2 == 0 ? 1.0 : -1.0) * x / std::pow(10.0, i % 11));
    const auto v = parse_field(text, 0);
    ASSERT_TRUE(v) << text;
    EXPECT_EQ(*v, std::strtod(text, nullptr)) << text;
  }
}

// Another writer of a report's number prints it in the report's own field: the field
// of value n counts repeats and groups unrolled, and passes over literals and skips.
TEST(LayoutFields, TheFieldOfEachValueCountsRepeatsAndGroups) {
  const Layout line{R"(19X I3 " MONTH" F11.1 5X 7F12.0)"};
  EXPECT_EQ(line.field(0).width, 3);
  EXPECT_EQ(line.field(1).width, 11);
  EXPECT_EQ(line.field(1).decimals, 1);
  EXPECT_EQ(line.field(7).width, 12);
  EXPECT_EQ(line.field(8).decimals, 0);
  EXPECT_THROW(line.field(9), std::logic_error);
  const Layout grouped{R"(5X F11.1 1X 7(F12.1 1X) / 2(I4, A8))"};
  EXPECT_EQ(grouped.field(7).width, 12);
  EXPECT_EQ(grouped.field(8).width, 4);
  EXPECT_EQ(grouped.field(11).width, 8);
}

}  // namespace
}  // namespace flowplex
