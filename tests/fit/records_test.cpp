#include "fit/records.hpp"

#include <gmock/gmock.h>

#include "fit_fixtures.hpp"

namespace flowplex::fit {
namespace {

using ::testing::HasSubstr;
using testing::records_csv;
using testing::run_failure;
using testing::Scratch;
using testing::synthetic_months;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(HydrologicalYears, RunFromOctoberToSeptemberAndAreLabelledByTheOctober) {
  Scratch scratch;
  // Calendar months January 1950 on: month i holds the value i, so positions are visible.
  std::vector<double> months;
  for (int i = 0; i < 12 * 20 + 2; ++i) months.push_back(i);
  const Records r = read_records(scratch.file("r.csv", records_csv({"G1 FIRST GAUGE"}, 1950, {months})), 1.0);
  EXPECT_EQ(r.first_year, 1950);  // January to September 1950 belong to a year begun in 1949
  EXPECT_EQ(r.years, 19);         // 1950-10 .. 1969-09; October 1969 to February 1970 are the current year
  EXPECT_DOUBLE_EQ(r.month(0, 0, 0), 9.0);    // October 1950
  EXPECT_DOUBLE_EQ(r.month(0, 0, 11), 20.0);  // September 1951
  EXPECT_DOUBLE_EQ(r.month(0, 18, 11), 12.0 * 19 + 8);
  ASSERT_EQ(r.current[0].size(), 5u);
  EXPECT_DOUBLE_EQ(r.current[0][1], 12.0 * 19 + 10);
  EXPECT_DOUBLE_EQ(r.annual(0, 0), (9.0 + 20.0) * 6.0);
  const CalendarMonth september = calendar_month(1950, 11);
  EXPECT_EQ(september.year, 1951);
  EXPECT_EQ(september.month, 9);
}

TEST(HydrologicalYears, KeepOnlyYearsWhereEveryGaugeIsCompleteAndRoundToHundredths) {
  Scratch scratch;
  auto months = synthetic_months(2, 20, 1);
  months[1][0] = kNaN;             // January of the first calendar year: outside any kept year
  months[0][12 * 20 - 1] = kNaN;   // last December: the part-recorded year ends there for gauge 1
  months[0][15] = 1.23456;
  const Records r = read_records(scratch.file("r.csv", records_csv({"A X", "B Y"}, 1960, months)), 10.0);
  EXPECT_EQ(r.first_year, 1960);
  EXPECT_EQ(r.years, 19);
  EXPECT_DOUBLE_EQ(r.month(0, 0, 6), 12.35);  // April 1961 = calendar month 16, scaled by 10 and rounded
  EXPECT_EQ(r.current[0].size(), 2u);
  EXPECT_EQ(r.current[1].size(), 3u);
}

TEST(GaugeNames, GiveStemsSafeForFileNamesAndRefuseStemsThatClash) {
  Scratch scratch;
  const auto months = synthetic_months(3, 16, 2);
  const Records r =
      read_records(scratch.file("r.csv", records_csv({"G/1 UPPER RIVER", "\"G2, LOWER\"", "G3"}, 1960, months)), 1.0);
  EXPECT_EQ(r.gauges[0].stem, "G_1");
  EXPECT_EQ(r.gauges[0].name, "G_1 UPPER RIVER");
  EXPECT_EQ(r.gauges[1].stem, "G2_");  // the comma inside quotes stays in the name's first word
  EXPECT_EQ(r.gauges[2].name, "G3 ");  // a blank after the stem keeps it the name's first word
  const std::string clash = scratch.file("c.csv", records_csv({"node1 UP", "NODE1 DOWN", "X"}, 1960, months));
  EXPECT_THAT(run_failure([&] { read_records(clash, 1.0); }), HasSubstr("'node1 UP' AND 'NODE1 DOWN' SHARE THE FILE STEM"));
}

TEST(RecordsRefused, NameTheFileLineGaugeOrMonthAndWhatIsWrong) {
  Scratch scratch;
  auto months = synthetic_months(2, 20, 3);
  auto gap = months;
  gap[1][12 * 8 + 4] = kNaN;  // May 1968 of gauge B, inside the complete years
  EXPECT_THAT(run_failure([&] { read_records(scratch.file("gap.csv", records_csv({"A", "B"}, 1960, gap)), 1.0); }),
              HasSubstr("GAP IN THE RECORDS: GAUGE B HAS NO VALUE FOR 1968-05"));

  std::string text = records_csv({"A", "B"}, 1960, months);
  text.replace(text.find("\n1961,3,") + 8, 0, "x");
  EXPECT_THAT(run_failure([&] { read_records(scratch.file("bad.csv", text), 1.0); }),
              HasSubstr("LINE 16: COLUMN 3 HOLDS 'x"));

  const auto short_record = synthetic_months(1, 15, 4);  // 14 complete hydrological years
  EXPECT_THAT(run_failure([&] { read_records(scratch.file("s.csv", records_csv({"A"}, 1960, short_record)), 1.0); }),
              HasSubstr("14 COMPLETE HYDROLOGICAL YEARS"));

  EXPECT_THAT(run_failure([&] { read_records(scratch.file("l.csv", records_csv({"A", "B"}, 1960, months)), 1000.0); }),
              HasSubstr("CHANGE THE UNIT WITH --scale"));

  EXPECT_THAT(run_failure([&] { read_records(scratch.file("e.csv", records_csv({"A", "B"}, 1890, months)), 1.0); }),
              HasSubstr("HYDROLOGICAL YEAR 1890 IS BEFORE 1900"));

  EXPECT_THAT(run_failure([&] { read_records((scratch.path() / "none.csv").string(), 1.0); }),
              HasSubstr("CANNOT OPEN THE RECORDS FILE"));
}

TEST(RecordsRefused, AValueAfterAnUnrecordedMonthOfThePartRecordedYear) {
  Scratch scratch;
  auto months = synthetic_months(1, 20, 5);
  months[0][12 * 19 + 10] = kNaN;  // November of the last calendar year; December is recorded
  EXPECT_THAT(run_failure([&] { read_records(scratch.file("r.csv", records_csv({"A"}, 1960, months)), 1.0); }),
              HasSubstr("HAS NO VALUE FOR 1979-11 BUT HAS ONE FOR 1979-12"));
}

}  // namespace
}  // namespace flowplex::fit
