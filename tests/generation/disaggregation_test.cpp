#include "generation/disaggregation.hpp"

#include <gtest/gtest.h>

#include <array>
#include <sstream>

#include "report/run_ended.hpp"
#include "store/store.hpp"

namespace flowplex {
namespace {

// Gauge 1 with four stored years 1950-1953; ranked annual flows 10, 20, 30, 40 belong
// to the years 1952, 1950, 1953, 1951, each month m holding m/78 of its year.
class MonthlyDisaggregation : public ::testing::Test {
 protected:
  void SetUp() override {
    s.PARM.NGAUGE = 1;
    s.NREC(1) = 4;
    const std::array<int, 4> ranked_years{1952, 1950, 1953, 1951};
    for (int p = 1; p <= 4; ++p) {
      s.QREC02.QA(p, 1) = 10.0 * p;
      s.QREC02.IY(p, 1) = ranked_years[static_cast<std::size_t>(p - 1)];
      for (SeriesBlock* b : {&s.QREC01, &s.QREC03, &s.QREC04, &s.QREC05}) b->IY(p, 1) = 1949 + p;
      s.QREC03.QA(p, 1) = 100.0 + p;
      for (int m = 1; m <= 12; ++m) {
        s.QREC02.QM(m, p, 1) = 10.0 * p * m / 78.0;
        s.QREC03.QM(m, p, 1) = (100.0 + p) / 12.0;
      }
    }
    state.INDIC.IYSEL = 1;  // 1950, ranked second
  }
  // Tests change the records between calls, so the index is rebuilt first, as a load would.
  void split(double Q, flowplex::Disaggregation mode = flowplex::Disaggregation::standard) {
    index_ranked_records(s);
    disagg(s, state.INDIC, con, 1, Q, monthly, rainfall, mode, negative);
  }

  std::unique_ptr<RiverSystem> store = std::make_unique<RiverSystem>();
  RiverSystem& s = *store;
  GeneratorState state;
  std::istringstream in;
  std::ostringstream out;
  Console con{in, out};
  Arr<double, kMonths> monthly, rainfall;
  int negative = 0;
};

TEST_F(MonthlyDisaggregation, ScalesTheSelectedYearsMonths) {
  split(20.0);
  EXPECT_EQ(state.INDIC.IRANK, 2);
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(monthly(m), s.QREC02.QM(m, 2, 1));
  split(40.0);
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(monthly(m), 2.0 * s.QREC02.QM(m, 2, 1));
  EXPECT_EQ(rainfall(1), 0.0);  // only the extended mode fills the rainfall
  EXPECT_EQ(negative, 0);

  s.QREC02.QA(2, 1) = 0.0;
  split(25.0);
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(monthly(m), 0.0);
}

TEST_F(MonthlyDisaggregation, ClassesAndBracketWeights) {
  struct Case {
    double Q;
    char cls;
    int low, high;
    double W1, W2;
  };
  for (const Case c : {Case{25.0, 'N', 2, 3, 0.5, 0.5}, Case{10.0, 'N', 1, 2, 1.0, 0.0}, Case{30.0, 'N', 3, 4, 1.0, 0.0},
                       Case{40.0, 'N', 3, 4, 0.0, 1.0}, Case{5.0, 'S', 0, 0, 0.0, 1.0}, Case{45.0, 'L', 0, 0, 0.0, 1.0}}) {
    split(c.Q, flowplex::Disaggregation::extended);
    EXPECT_EQ(state.INDIC.CLASS, c.cls) << c.Q;
    EXPECT_EQ(state.INDIC.INR(1), c.low) << c.Q;
    EXPECT_EQ(state.INDIC.INR(2), c.high) << c.Q;
    EXPECT_EQ(state.INDIC.W1, c.W1) << c.Q;  // S and L keep the previous call's weights
    EXPECT_EQ(state.INDIC.W2, c.W2) << c.Q;
  }
  split(25.0, flowplex::Disaggregation::extended);
  EXPECT_EQ(state.INDIC.IN1, 1);  // ranked second is 1950, stored first
  EXPECT_EQ(state.INDIC.IN2, 4);  // ranked third is 1953, stored fourth
  const double T = 0.5 * 101.0 + 0.5 * 104.0;
  for (int m = 1; m <= 12; ++m) EXPECT_EQ(rainfall(m), T / 101.0 * (101.0 / 12.0));
}

TEST_F(MonthlyDisaggregation, EndsUseTheirRegressions) {
  s.LINRG01.RINT(1, 1, 1) = 50.0;
  s.LINRG01.RSLOPE(1, 1, 1) = 2.0;
  split(5.0, flowplex::Disaggregation::extended);
  EXPECT_EQ(rainfall(3), (2.0 * 5.0 + 50.0) / 101.0 * (101.0 / 12.0));
  s.QREC03.QA(1, 1) = 0.0;  // no rainfall in the selected year
  split(45.0, flowplex::Disaggregation::extended);
  EXPECT_EQ(rainfall(3), 0.0);
}

TEST_F(MonthlyDisaggregation, NetFlowNeverBelowZero) {
  for (int p = 1; p <= 4; ++p) {
    s.QREC04.QA(p, 1) = 12.0;
    s.QREC05.QA(p, 1) = 12.0;
    for (int m = 1; m <= 12; ++m) s.QREC04.QM(m, p, 1) = s.QREC05.QM(m, p, 1) = 1.0;
  }
  split(25.0, flowplex::Disaggregation::extended);  // months 1 to 6 of 25 * m / 78 lie below the 2 taken off
  EXPECT_EQ(negative, 6);
  EXPECT_EQ(monthly(6), 0.0);
  EXPECT_EQ(monthly(12), 25.0 / 20.0 * (20.0 * 12 / 78.0) - 1.0 - 1.0);
}

TEST_F(MonthlyDisaggregation, SelectedYearMissingFromTheRanksEndsTheRun) {
  s.QREC02.IY(2, 1) = 1900;
  EXPECT_THROW(split(25.0), RunEnded);
}

TEST_F(MonthlyDisaggregation, UnmatchedBracketReportsWithinTheYearList) {
  s.NREC(1) = 200;
  for (int p = 1; p <= 200; ++p) {
    s.QREC02.QA(p, 1) = p;
    s.QREC02.IY(p, 1) = 1800 + p;
    s.QREC03.IY(p, 1) = 1800 + p;
  }
  s.QREC03.IY(50, 1) = 1700;  // the year ranked 50 is not stored
  try {
    split(50.5, flowplex::Disaggregation::extended);
    ADD_FAILURE() << "the run did not end";
  } catch (const RunEnded& e) {
    EXPECT_EQ(e.status(), ExitStatus::RunFailed);
  }
  EXPECT_EQ(out.str(),
            " ERROR IN SEQPROBE - IN1 OR IN2 = 0\n THE PROBLEM FILE IS NUMBER           1\n"
            " INR(1) =          50\n INR(2) =          51\n ISFY(INR(1),IFILE) =        1850\n"
            " ISFY(INR(2),IFILE) =        1851\n I  IN1  AND IN2 =         201          0         51\n"
            " IRY(I,IFILE) =           0\n");
}

TEST(Linreg, FitsTheLineAndFallsBackOnTheMean) {
  const std::array<double, 4> x{1.0, 2.0, 3.0, 4.0};
  const std::array<double, 4> line{5.0, 8.0, 11.0, 14.0};
  double a = 0.0, b = 0.0;
  linreg(x, line, 4, a, b);
  EXPECT_DOUBLE_EQ(b, 3.0);
  EXPECT_DOUBLE_EQ(a, 2.0);

  const std::array<double, 4> zero_sum{-1.0, 1.0, -2.0, 2.0};
  linreg(zero_sum, line, 4, a, b);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(a, 9.5);

  const std::array<double, 4> equal{3.0, 3.0, 3.0, 3.0};
  linreg(equal, line, 4, a, b);
  EXPECT_EQ(b, 0.0);
  EXPECT_EQ(a, 9.5);

  linreg(x, line, 0, a, b);
  EXPECT_EQ(a, 0.0);
  EXPECT_EQ(b, 0.0);
}

TEST_F(MonthlyDisaggregation, ShortRecordRegressesOnTheYearsItHas) {
  fit_regressions(s);
  // Ranked positions 1..4 are the years 1952, 1950, 1953, 1951: rainfall 103, 101, 104, 102.
  const std::array<double, 4> low_x{10.0, 20.0, 30.0, 40.0}, low_y{103.0, 101.0, 104.0, 102.0};
  const std::array<double, 4> high_x{40.0, 30.0, 20.0, 10.0}, high_y{102.0, 104.0, 101.0, 103.0};
  double a = 0.0, b = 0.0;
  linreg(low_x, low_y, 4, a, b);
  EXPECT_EQ(s.LINRG01.RINT(1, 1, 1), a);
  EXPECT_EQ(s.LINRG01.RSLOPE(1, 1, 1), b);
  linreg(high_x, high_y, 4, a, b);
  EXPECT_EQ(s.LINRG01.RINT(2, 1, 1), a);
  EXPECT_EQ(s.LINRG01.RSLOPE(2, 1, 1), b);
  EXPECT_EQ(s.LINRG01.RSLOPE(1, 2, 1), 0.0);  // no afforestation: all y add up to 0
}

}  // namespace
}  // namespace flowplex
