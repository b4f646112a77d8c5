#include "generation/generator.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <vector>

#include "generation/disaggregation.hpp"
#include "generation/random_stream.hpp"

namespace flowplex {
namespace {

struct StreamState {
  int IX, IY, IZ;
  bool operator==(const StreamState&) const = default;
};

StreamState state_of(const GeneratorState& g) { return {g.STDAT.IX, g.STDAT.IY, g.STDAT.IZ}; }


StreamState advanced(StreamState from, long steps) {
  for (long i = 0; i < steps; ++i) rng::whrand(from.IX, from.IY, from.IZ);
  return from;
}

// A small loaded river system: two gauges, three stored years whose ranked record is
// in stored order, so every year disaggregates by its own flat monthly pattern.
class Generator : public ::testing::Test {
 protected:
  static constexpr int kYears = 3;
  void SetUp() override {
    s.loaded = true;
    s.PARM.NGAUGE = 2;
    s.PARM.NCOMMON = kYears;
    s.DSBASE.NKEY = 1;
    s.DSBASE.KEYG(1) = 1;
    for (int g = 1; g <= 2; ++g) {
      s.NREC(g) = kYears;
      s.ANN.ITRANS(g) = 4;
      s.ANN.TPAR2(g) = 1.0;
      s.ANN.ASD(g) = 1.0;
      for (int n = 1; n <= kYears; ++n) {
        s.QREC01.IY(n, g) = 1950 + n;
        s.QREC02.IY(n, g) = 1950 + n;
        s.QREC01.QA(n, g) = 10.0 * n;
        s.QREC02.QA(n, g) = 12.0 * n;
        for (int m = 1; m <= kMonths; ++m) {
          s.QREC01.QM(m, n, g) = n + 0.01 * m;
          s.QREC02.QM(m, n, g) = n;
        }
      }
    }
    index_ranked_records(s);
  }
  // The stream past its start-up draws, within a sequence already started.
  void stream_within_sequence() {
    rng::start(gen.STDAT);
    gen.STDAT.NEWSEQ = 0;
  }
  void call(int IOPT, Disaggregation mode = Disaggregation::standard) {
    anskom(s, gen, con, GenerationOption(IOPT), mode);
  }
  // One sequence as the generation loop drives it; returns QMONTH of gauge 1 per year.
  std::vector<std::array<double, kMonths>> sequence(int IOPT, int NYS) {
    std::vector<std::array<double, kMonths>> years;
    gen.STDAT.NEWSEQ = 1;
    for (int y = 1; y <= NYS; ++y) {
      call(IOPT);
      auto& row = years.emplace_back();
      for (int m = 1; m <= kMonths; ++m) row[static_cast<std::size_t>(m - 1)] = gen.STOQ.QMONTH(1, m);
    }
    if (NYS < 201) run_off(s, gen, con, GenerationOption(IOPT), 201 - NYS);
    return years;
  }
  // A model with every matrix and coefficient filled, so any slip in the stream shows.
  void fill_model() {
    for (int g = 1; g <= 2; ++g) {
      s.GSUB.PHI(1, g) = 0.5;
      s.GSUB.PHI(2, g) = -0.2;
      s.GSUB.THETA(1, g) = 0.3;
      s.GSUB.THETA(2, g) = 0.1;
      s.ANN.AMEAN(g) = 20.0;
      s.ANN.ASD(g) = 6.0;
      for (int j = 1; j <= 2; ++j) {
        const double c = g == j ? 1.0 : 0.4;
        s.ANN.CMAT1(g, j) = c;
        s.ANN.CMAT2(g, j) = 0.5 * c;
        s.ANN.CMAT3(g, j) = 0.3 * c;
        s.ANN.CMAT4(g, j) = 0.2 * c;
        s.ANN.CMAT5(g, j) = 0.1 * c;
      }
    }
  }
  // With every coefficient zero but PHI(1) = 1, the standardised value of the year is
  // the lag put in beforehand.
  double annual_flow_for(double y, int g = 1) {
    s.GSUB.PHI(1, g) = 1.0;
    gen.ANN.YLAG1(g) = y;
    call(kRigorous);
    return gen.ANN.QANN(g);
  }

  std::unique_ptr<RiverSystem> store = std::make_unique<RiverSystem>();
  RiverSystem& s = *store;
  GeneratorState gen;
  std::istringstream in;
  std::ostringstream out;
  Console con{in, out};
};

TEST_F(Generator, ValuesAboveThresholdAreCompressed) {
  const double threshold = static_cast<double>(3.2f);
  s.ANN.AMEAN(1) = threshold;
  EXPECT_EQ(annual_flow_for(0.0), threshold);
  s.ANN.AMEAN(1) = 16.2;
  EXPECT_NEAR(annual_flow_for(0.0), 4.2, 1e-7);
  s.ANN.AMEAN(1) = 3.3;
  EXPECT_NEAR(annual_flow_for(0.0), 3.2077, 1e-4);
  EXPECT_EQ(annual_flow_for(0.0), threshold + (3.3 - threshold) * (1.0 / 13.0));
}

TEST_F(Generator, ZeroFlowGaugeMapsThroughItsZeroProbability) {
  s.GSUB.IZERO(1) = 1;
  s.GSUB.P0(1) = 0.3;
  s.ANN.AMEAN(1) = 2.0;
  EXPECT_EQ(annual_flow_for(0.0), rng::xnorm((0.5 - 0.3) / (1.0 - 0.3)) + 2.0);
  EXPECT_EQ(annual_flow_for(-1.0), 0.0);  // probability 0.159, below P0
  s.ANN.AMEAN(1) = 100.0;
  EXPECT_TRUE(std::isfinite(annual_flow_for(11.0)));  // p = 1
  s.GSUB.P0(1) = 1.0 - rng::qnormx(0.25);
  EXPECT_EQ(annual_flow_for(0.25), 0.0);  // p exactly P0 is a zero-flow year
  s.GSUB.P0(1) = 1.0;
  EXPECT_EQ(annual_flow_for(3.0), 0.0);
}

TEST_F(Generator, GaugeWithoutAnnualModelTakesTheNearestYear) {
  s.ANN.ITRANS(2) = 0;
  gen.ANN.YLAG1(2) = 0.7;
  gen.ANN.ELAG2(2) = -0.4;
  s.ANN.ITRANS(1) = 1;  // lognormal, so the flow of 19 lies below the compression
  s.ANN.TPAR3(1) = 1.0;
  s.ANN.AMEAN(1) = std::log(19.0);
  EXPECT_NEAR(annual_flow_for(0.0), 19.0, 1e-12);  // nearest to stored year 2 at key gauge 1
  EXPECT_EQ(gen.INDIC.IYSEL, 2);
  EXPECT_EQ(gen.ANN.QANN(2), s.QREC01.QA(2, 2));
  EXPECT_EQ(gen.ANN.YLAG1(2), 0.7);
  EXPECT_EQ(gen.ANN.ELAG2(2), -0.4);
  for (int m = 1; m <= kMonths; ++m) {
    EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(2, m), 20.0 / 24.0 * 2.0);
    EXPECT_NEAR(gen.STOQ.QMONTH(1, m), 19.0 / 24.0 * 2.0, 1e-12);
  }
}

TEST_F(Generator, UnknownTransformGivesZeroAnnualFlow) {
  s.ANN.ITRANS(1) = 9;
  s.ANN.AMEAN(1) = 5.0;
  EXPECT_EQ(annual_flow_for(0.0), 0.0);
}

TEST_F(Generator, FirstYearsDoNotDependOnTheSequenceLength) {
  fill_model();
  for (int IOPT : {kRigorous, kBootstrapModel, kBootstrap}) {
    rng::start(gen.STDAT);
    const auto short1 = sequence(IOPT, 30), short2 = sequence(IOPT, 30);
    const StreamState after_short = state_of(gen);
    rng::start(gen.STDAT);
    const auto long1 = sequence(IOPT, 100), long2 = sequence(IOPT, 100);
    EXPECT_EQ(state_of(gen), after_short) << IOPT;
    for (std::size_t y = 0; y < 30; ++y) {
      EXPECT_EQ(short1[y], long1[y]) << IOPT << " year " << y + 1;
      EXPECT_EQ(short2[y], long2[y]) << IOPT << " year " << y + 1;
    }
    EXPECT_NE(short1[0], short2[0]);
  }
}

TEST_F(Generator, EachOptionSpendsItsBudgetPerSequence) {
  fill_model();
  const std::array<std::pair<int, long>, 3> budgets{{{kRigorous, 202500}, {kBootstrapModel, 201000}, {kBootstrap, 201000}}};
  for (const auto& [IOPT, budget] : budgets) {
    rng::start(gen.STDAT);
    const StreamState from = state_of(gen);
    sequence(IOPT, 64);
    EXPECT_EQ(state_of(gen), advanced(from, budget)) << IOPT;
    sequence(IOPT, 200);
    EXPECT_EQ(state_of(gen), advanced(from, 2 * budget)) << IOPT;
  }
}

TEST_F(Generator, RigorousStartDrawsEachLagYearFromItsOwnDeviates) {
  s.PARM.NGAUGE = 1;
  s.GSUB.PHI(2, 1) = 1.0;  // y two years back carries over: the warm-up keeps the start lags
  s.ANN.CMAT2(1, 1) = 0.5;
  s.ANN.CMAT3(1, 1) = 0.3;
  s.ANN.CMAT4(1, 1) = 0.2;
  s.ANN.CMAT5(1, 1) = 0.1;
  rng::start(gen.STDAT);
  StreamState ref = state_of(gen);
  std::vector<double> d(2001);
  for (std::size_t i = 1; i <= 2000; ++i) d[i] = rng::xnorm(rng::whrand(ref.IX, ref.IY, ref.IZ));
  call(kRigorous);
  const double y2 = 0.3 * d[501];
  // the start, 200 warm-up years and the year made: the two start lags have swapped
  EXPECT_DOUBLE_EQ(gen.ANN.YLAG1(1), y2);
  EXPECT_DOUBLE_EQ(gen.ANN.YLAG2(1), 0.5 * d[1501] - 0.2 * y2);
  EXPECT_EQ(gen.ANN.ELAG1(1), 0.0);
}

TEST_F(Generator, SequenceStartReportsTheStreamPosition) {
  rng::start(gen.STDAT);
  gen.STDAT.NEWSEQ = 1;
  call(kBootstrap);
  const StreamState at_start = advanced({9641, 13168, 25976}, 201 * 500);
  std::ostringstream expected;
  expected << " Start Random Numbers ( not seeds ) = ";
  for (int v : {at_start.IX, at_start.IY, at_start.IZ}) expected << std::string(10 - std::to_string(v).size(), ' ') << v;
  EXPECT_EQ(out.str(), expected.str() + "\n");
  EXPECT_EQ(gen.STDAT.NEWSEQ, 0);
}

TEST_F(Generator, BootstrapStartSetsLagsFromStartingValues) {
  s.ANN.Y1START(2) = 1.5;
  s.ANN.E2START(1) = -0.5;
  gen.ANN.YLAG1(2) = 9.0;
  rng::start(gen.STDAT);
  call(kBootstrap);
  EXPECT_EQ(gen.ANN.YLAG1(2), 1.5);
  EXPECT_EQ(gen.ANN.ELAG2(1), -0.5);
}

TEST_F(Generator, UnknownOptionKeepsTheLagsAtSequenceStart) {
  rng::start(gen.STDAT);
  gen.ANN.YLAG1(1) = 0.25;
  gen.STDAT.NEWSEQ = 1;
  const StreamState from = state_of(gen);
  s.ANN.ASD(1) = 0.0;
  call(7);
  EXPECT_EQ(state_of(gen), advanced(from, 500));  // no start draws, one rigorous year
  EXPECT_FALSE(out.str().empty());
}

TEST_F(Generator, BootstrapYearIsOneStoredYearForAllGauges) {
  stream_within_sequence();
  std::array<int, kYears + 1> drawn{};
  for (int year = 0; year < 60; ++year) {
    const StreamState from = state_of(gen);
    call(kBootstrap);
    EXPECT_EQ(state_of(gen), advanced(from, 500));
    const double n = std::floor(gen.STOQ.QMONTH(1, 1));
    ASSERT_GE(n, 1.0);
    ASSERT_LE(n, kYears);
    for (int g = 1; g <= 2; ++g)
      for (int m = 1; m <= kMonths; ++m) EXPECT_EQ(gen.STOQ.QMONTH(g, m), n + 0.01 * m);
    ++drawn[static_cast<std::size_t>(n)];
  }
  EXPECT_GT(drawn[1], 0);
  EXPECT_GT(drawn[kYears], 0);
}

TEST_F(Generator, BootstrapNetFlowsNeverNegative) {
  for (int n = 1; n <= kYears; ++n)
    for (int m = 1; m <= kMonths; ++m) {
      s.QREC04.QM(m, n, 1) = 0.5 * n;
      s.QREC05.QM(m, n, 1) = m <= 6 ? 0.0 : 2.0 * n;
    }
  stream_within_sequence();
  call(kBootstrap, Disaggregation::extended);
  const double n = std::floor(gen.STOQ.QMONTH(2, 1));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(1, 3), 0.5 * n + 0.03);
  EXPECT_EQ(gen.STOQ.QMONTH(1, 9), 0.0);
}

TEST_F(Generator, RunOffOnlyAdvancesTheStream) {
  stream_within_sequence();
  gen.STOQ.QMONTH(1, 5) = 7.0;
  gen.ANN.EPS(3) = 2.5;
  const StreamState from = state_of(gen);
  run_off(s, gen, con, GenerationOption(kRigorous), 171);
  EXPECT_EQ(state_of(gen), advanced(from, 85500));
  run_off(s, gen, con, GenerationOption(kForecasting), 2);
  EXPECT_EQ(state_of(gen), advanced(from, 85500 + 12000));
  EXPECT_EQ(gen.STOQ.QMONTH(1, 5), 7.0);
  EXPECT_EQ(gen.ANN.EPS(3), 2.5);
}

// The stream at the start of sequence k, computed directly, against the stream as the
// generator leaves it after k - 1 whole sequences, for every option that starts its
// sequences afresh. Each option's budget is written out here, not taken from the code.
TEST_F(Generator, SequenceStartsAreKnownInAdvance) {
  fill_model();
  const std::array<std::pair<int, long long>, 3> budgets{{{kRigorous, 202500}, {kBootstrapModel, 201000}, {kBootstrap, 201000}}};
  StdatBlock startup;
  rng::start(startup);
  for (const auto& [IOPT, budget] : budgets) {
    gen.STDAT = startup;
    for (int seq = 1; seq <= 2; ++seq) {
      EXPECT_EQ(state_of(gen), state_of(state_at_sequence_start(startup, IOPT, seq))) << IOPT << " sequence " << seq;
      sequence(IOPT, seq == 1 ? 64 : 200);
    }
    EXPECT_EQ(state_of(gen), state_of(state_at_sequence_start(startup, IOPT, 3))) << IOPT;
    const StreamState at_41 = advanced({startup.IX, startup.IY, startup.IZ}, 40 * budget);
    EXPECT_EQ(state_of(state_at_sequence_start(startup, IOPT, 41)), at_41) << IOPT;
  }
  EXPECT_EQ(state_at_sequence_start(startup, kRigorous, 7).STDAT.NEWSEQ, 1);
}

// One component n steps on, the independent way: each modulus is prime, so the powers of
// its multiplier repeat every modulus - 1 steps (Fermat), and n mod (modulus - 1) plain
// multiplications suffice.
int component_after(long long x, long long a, long long m, long long n) {
  for (long long i = 0; i < n % (m - 1); ++i) x = x * a % m;
  return static_cast<int>(x);
}

TEST(SequenceStart, MillionthSequenceAgreesWithFermat) {
  StdatBlock startup;
  rng::start(startup);
  const std::array<std::pair<int, long long>, 4> budgets{{{kRigorous, 202500}, {kBootstrap, 201000}, {kForecasting, 1206000}, {5, 100500}}};
  for (const auto& [IOPT, budget] : budgets) {
    const long long n = 999999 * budget;
    const StdatBlock at = state_at_sequence_start(startup, IOPT, 1000000).STDAT;
    EXPECT_EQ(at.IX, component_after(startup.IX, 171, 30269, n)) << IOPT;
    EXPECT_EQ(at.IY, component_after(startup.IY, 172, 30307, n)) << IOPT;
    EXPECT_EQ(at.IZ, component_after(startup.IZ, 170, 30323, n)) << IOPT;
  }
}

// Where a key gauge has no annual model the nearest-year search reads its flow of the
// year before, so a sequence follows on from the one before it and cannot start afresh.
TEST_F(Generator, SequencesStandAloneUnlessTheyCarryTheYearBefore) {
  for (const int IOPT : {kRigorous, kBootstrapModel, kBootstrap, kForecasting}) EXPECT_TRUE(sequences_stand_alone(s, IOPT));
  EXPECT_FALSE(sequences_stand_alone(s, 7));
  s.ANN.ITRANS(2) = 0;
  EXPECT_TRUE(sequences_stand_alone(s, kRigorous));  // gauge 2 is not a key gauge
  s.ANN.ITRANS(1) = 0;
  EXPECT_FALSE(sequences_stand_alone(s, kRigorous));
  EXPECT_FALSE(sequences_stand_alone(s, kBootstrapModel));
  EXPECT_TRUE(sequences_stand_alone(s, kBootstrap));
}

// Every row equals its plain sum over j in order, zeros included, whether the columns'
// tops are unknown or found: a lower-triangular factor with a zero column and negative
// deviates (whose zero products are -0) must give the same bits.
TEST(Innovations, RowsKeepTheirSumOrder) {
  auto s = std::make_unique<RiverSystem>();
  constexpr int n = 7;
  Arr<double, kDeviates> v;
  for (int j = 1; j <= n; ++j) {
    v(j) = (j % 2 == 0 ? -1.0 : 1.0) / (j + 0.3);
    for (int g = j; g <= n; ++g) s->ANN.CMAT1(g, j) = j == 4 ? 0.0 : std::sin(g * 7.1 + j * 1.3) * 1e3;
  }
  ColumnTops unknown;
  ColumnTops found;
  find_column_tops(s->ANN.CMAT1, n, found);
  EXPECT_EQ(found(2), 2);
  EXPECT_EQ(found(4), n + 1);
  for (const ColumnTops* top : {&unknown, &found}) {
    Arr<double, kMaxGauges> out;
    correlate(s->ANN.CMAT1, *top, v.all(), n, out);
    for (int g = 1; g <= n; ++g) {
      double row = 0.0;
      for (int j = 1; j <= n; ++j) row += s->ANN.CMAT1(g, j) * v(j);
      EXPECT_EQ(std::signbit(out(g)), std::signbit(row));
      EXPECT_EQ(out(g), row);
    }
  }
}

}  // namespace
}  // namespace flowplex
