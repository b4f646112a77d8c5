#include "generation/series_file.hpp"

#include "river_files.hpp"

namespace flowplex {
namespace {

class SeriesFile : public testing::RiverDirectory {
 protected:
  // One gauge named name, NYEARS years, common period first..first+length-1.
  void gauge(const std::string& name, int years, int first, int length) {
    s().PARM.NGAUGE = 1;
    s().PARM.GNAME(1).assign(name);
    s().ANDATA.NYEARS(1) = years;
    s().PARM.ISTART = first;
    s().PARM.NCOMMON = length;
  }
};

TEST_F(SeriesFile, KeepsTheCommonPeriodAndSumsTheMonths) {
  gauge("G101 UPPER RIVER AT WEIR", 60, 1935, 40);
  write("G101.INC", testing::series_years(1920, 1979));
  readin(s(), con_, s().QREC01, 1);

  EXPECT_EQ(out_.str(), "  G101.INC" + std::string(42, ' ') + "\n  FIRST/LAST YEAR =        1935       1974\n");
  EXPECT_EQ(s().NREC(1), 40);
  EXPECT_EQ(s().QREC01.IY(1, 1), 1935);
  EXPECT_EQ(s().QREC01.IY(40, 1), 1974);
  EXPECT_EQ(s().QREC01.IY(41, 1), 0);
  EXPECT_DOUBLE_EQ(s().QREC01.QM(3, 2, 1), 36.03);
  long double sum = 0.0L;
  for (int m = 1; m <= 12; ++m) sum += s().QREC01.QM(m, 2, 1);
  EXPECT_EQ(s().QREC01.QA(2, 1), static_cast<double>(sum));  // the file's total of 999 is replaced
}

TEST_F(SeriesFile, ReadsImpliedDecimalsAndBlankFields) {
  gauge("G7", 2, 1950, 2);
  write("G7.RAN", "    1950  12345\n    1951\n");
  readin(s(), con_, s().QREC03, 3);
  EXPECT_DOUBLE_EQ(s().QREC03.QM(1, 1, 1), 123.45);
  EXPECT_EQ(s().QREC03.QA(2, 1), 0.0);
  EXPECT_EQ(s().QREC03.IY(2, 1), 1951);
}

TEST_F(SeriesFile, MissingFileIsReportedAndSkipped) {
  gauge(" LEADING BLANK", 10, 1950, 10);
  s().NREC(1) = 7;
  readin(s(), con_, s().QREC04, 4);
  EXPECT_EQ(out_.str(), "  .AFF" + std::string(46, ' ') + "\n CANNOT FIND THE FILE - PROCEEDING WITH NEXT FILE\n");
  EXPECT_EQ(s().NREC(1), 7);
}

TEST_F(SeriesFile, FileEndingEarlyEndsTheRunAfterTheYearsKept) {
  gauge("G1", 61, 1935, 40);
  write("G1.INC", testing::series_years(1920, 1979));
  const std::string message = testing::run_failure([&] { readin(s(), con_, s().QREC01, 1); });
  EXPECT_NE(out_.str().find(" NO. OF YEARS =    40\n"), std::string::npos);
  EXPECT_NE(message.find("G1.INC LINE 61"), std::string::npos);
  EXPECT_TRUE(message.ends_with("\nERROR INCOMPLETE DATA RECORD"));
}

TEST_F(SeriesFile, UnreadableFieldsEndTheRun) {
  for (const std::string bad : {"   abc ", "   nan ", " 1e999 "}) {
    gauge("G1", 2, 1950, 2);
    write("G1.RNK", "    1950 " + bad + "\n    1951\n");
    out_.str("");
    const std::string message = testing::run_failure([&] { readin(s(), con_, s().QREC02, 2); });
    EXPECT_NE(out_.str().find(" NO. OF YEARS =     0"), std::string::npos) << bad;
    EXPECT_NE(message.find("G1.RNK LINE 1"), std::string::npos) << bad;
    EXPECT_TRUE(message.ends_with("ERROR INCOMPLETE DATA RECORD")) << bad;
  }
}

TEST_F(SeriesFile, GapInANeededRecordEndsTheRun) {
  gauge("G1", 5, 1950, 5);
  write("G1.INC", testing::series_years(1950, 1951) + testing::series_years(1953, 1955));
  EXPECT_NE(testing::run_failure([&] { readin(s(), con_, s().QREC01, 1); }).find("G1.INC LINE 5: YEAR 1952 OF THE COMMON PERIOD IS MISSING"),
            std::string::npos);
}

TEST_F(SeriesFile, GapInAnIrrigationRecordLeavesZeroYears) {
  gauge("G1", 4, 1950, 5);
  write("G1.IRR", testing::series_years(1950, 1953));
  readin(s(), con_, s().QREC05, 5);
  EXPECT_NE(out_.str().find("  FIRST/LAST YEAR =        1950          0"), std::string::npos);
  EXPECT_EQ(s().NREC(1), 5);
}

TEST_F(SeriesFile, RepeatedYearEndsTheRunBeforeOverfillingTheStore) {
  gauge("G1", 201, 1800, 200);
  write("G1.INC", testing::series_years(1800, 1999) + testing::series_years(1999, 1999));
  EXPECT_NE(testing::run_failure([&] { readin(s(), con_, s().QREC01, 1); }).find("LINE 201: YEAR 1999 OF THE COMMON PERIOD OCCURS TWICE"),
            std::string::npos);
}

TEST_F(SeriesFile, NegativeYearCountReadsNothing) {
  gauge("G1", -5, 1950, 3);
  write("G1.AFF", testing::series_years(1950, 1952));
  readin(s(), con_, s().QREC04, 4);
  EXPECT_EQ(s().QREC04.IY(1, 1), 0);
}

TEST_F(SeriesFile, StoredYearFallsBackOnTheIncrementalRecord) {
  s().QREC01.IY(3, 2) = 1962;
  EXPECT_EQ(stored_year(s(), 3, 2), 1962);
  s().QREC03.IY(3, 2) = 1962;
  s().QREC01.IY(3, 2) = 0;
  EXPECT_EQ(stored_year(s(), 3, 2), 1962);
}

}  // namespace
}  // namespace flowplex
