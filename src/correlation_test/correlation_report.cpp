#include "correlation_test/correlation_report.hpp"

#include <array>
#include <string>
#include <string_view>

namespace flowplex {
namespace {

const Layout kPageHeading{
    R"("1" / / 20X "MONTHLY COMPARSIONS OF GAUGES " / 20X A40 "  TO  " A40 / / )"
    R"(20X "USING THE ** SPEARMAN RANK CORRELATION COEFFICIENT ** " / /)"};
const Layout kColumnHeading{
    R"(20X "SAMPLE MONTHLY AND ANNUAL HISTORICAL VALUES AND " "SIMULATED DISTRIBUTIONS " / / )"
    R"(19X "HISTORICAL       MEAN         MAXIMUM         95%" )"
    R"("        75%         50%         25%        5%         MINIMUM" / )"
    R"(19X "  VALUE          VALUE       SIMULATED" 64X "SIMULATED" /)"};
const Layout kResultLine{R"(3X A10 4X 2F12.5 5X 7F12.5 /)"};
// The same columns when a coefficient cannot be formed: each field is a text, either
// the coefficient as F12.5 writes it or kTooShort.
const Layout kMarkedResultLine{R"(3X A10 4X 2A12 5X 7A12 /)"};
const Layout kShortenedPeriodNote{
    R"(20X "HISTORICAL VALUES USE ONLY THE YEARS BOTH HISTORIC FILES HOLD:" I4 " YEARS FROM " I4 /)"};

// Written in place of a coefficient that fewer than two pairs cannot give.
constexpr std::string_view kTooShort = "   TOO SHORT";

constexpr std::array<std::string_view, kMonths> kMonthNames{
    "OCTOBER   ", "NOVEMBER  ", "DECEMBER  ", "JANUARY   ", "FEBRUARY  ", "MARCH     ",
    "APRIL     ", "MAY       ", "JUNE      ", "JULY      ", "AUGUST    ", "SEPTEMBER "};
constexpr std::string_view kAnnualLabel = "ANNUAL    ";

std::string_view label(int period) {
  return period == 0 ? kAnnualLabel : kMonthNames[static_cast<std::size_t>(period - 1)];
}

std::string coefficient_field(std::optional<float> value) {
  const FieldFormat f = coefficient_format();
  return value ? format_real(*value, f.width, f.decimals) : std::string(kTooShort);
}

void write_line(LineWriter& out, const CorrelationLine& line) {
  if (line.historical && line.mean && line.summary) {
    out.write(kResultLine, label(line.period), *line.historical, *line.mean, *line.summary);
    return;
  }
  std::array<std::string, 9> fields;
  fields[0] = coefficient_field(line.historical);
  fields[1] = coefficient_field(line.mean);
  for (std::size_t i = 0; i < 7; ++i)
    fields[i + 2] = coefficient_field(line.summary ? std::optional<float>((*line.summary)[i]) : std::nullopt);
  out.write(kMarkedResultLine, label(line.period), fields);
}

}  // namespace

FieldFormat coefficient_format() { return kResultLine.field(1); }

void write_correlation_page(LineWriter& out, const CorrelationResult& r) {
  out.write(kPageHeading, Name(r.name), Name(r.other_name));
  if (r.shortened) out.write(kShortenedPeriodNote, r.shortened->years, r.shortened->first_year);
  out.write(kColumnHeading);
  for (const CorrelationLine& line : r.lines) write_line(out, line);
}

}  // namespace flowplex
