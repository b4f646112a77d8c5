#include "generation/forecast.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "generation/generator.hpp"
#include "generation/random_stream.hpp"
#include "report/run_ended.hpp"
#include "test_support.hpp"

namespace flowplex {
namespace {

struct GaugeData {
  double arc[4] = {0, 0, 0, 0};
  double sige = 0.0;
  double mean[12] = {};
  double sd[12] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  double prev[12] = {};
  double cur[12] = {};
};

// Writes the forecasting file for the gauges, with groups split over lines and
// separated by blanks, tabs and commas, and an identity noise matrix.
std::string file_text(const std::vector<GaugeData>& gauges) {
  std::ostringstream f;
  f << "FORECASTING PARAMETERS\n";
  const auto row = [&](const double* v, int n, bool framed) {
    if (framed) f << "0, ";
    for (int i = 0; i < n; ++i) f << v[i] << (i == 5 ? "\n" : (i % 2 ? ",\t" : " "));
    if (framed) f << " 0";
    f << " trailing notes\n";
  };
  for (const GaugeData& g : gauges) {
    f << "GAUGE\nAR1 AR2 AR3 AR4 SIGE\n";
    f << g.arc[0] << ' ' << g.arc[1] << ' ' << g.arc[2] << ' ' << g.arc[3] << ' ' << g.sige << '\n';
    row(g.mean, 12, false);
    row(g.sd, 12, false);
    row(g.prev, 12, true);
    row(g.cur, 12, true);
  }
  f << "NOISE\nMATRIX\n";
  for (std::size_t g = 0; g < gauges.size(); ++g) {
    for (std::size_t j = 0; j < gauges.size(); ++j) f << (g == j ? 1.0 : 0.0) << ' ';
    f << '\n';
  }
  return f.str();
}

class Forecast : public ::testing::Test {
 protected:
  void SetUp() override {
    s.loaded = true;
    s.PARM.NGAUGE = 2;
    for (GaugeData& g : gauges)
      for (int m = 0; m < 12; ++m) {
        g.mean[m] = 1.0 + 0.1 * m;
        g.sd[m] = 0.5 + 0.05 * m;
        g.prev[m] = 2.0 + m;
        g.cur[m] = 3.0 + m;
      }
    rng::start(gen.STDAT);
  }
  void write(const std::string& text) { std::ofstream(kForecastFile, std::ios::binary) << text; }
  void start() {
    write(file_text(gauges));
    load_forecast_model(s);
    forecast_start(s, gen);
  }
  double standardised(int g, int month, double flow) const {
    const GaugeData& d = gauges[static_cast<std::size_t>(g - 1)];
    return (std::log(flow) - d.mean[month - 1]) / d.sd[month - 1];
  }
  double flow_of(int g, int month, double z) const {
    const GaugeData& d = gauges[static_cast<std::size_t>(g - 1)];
    return std::exp(z * d.sd[month - 1] + d.mean[month - 1]);
  }
  std::string ended_message() {
    return testing::run_failure([&] { start(); });
  }
  std::array<int, 3> state() const { return {gen.STDAT.IX, gen.STDAT.IY, gen.STDAT.IZ}; }
  static std::array<int, 3> advanced(std::array<int, 3> from, long steps) {
    for (long i = 0; i < steps; ++i) rng::whrand(from[0], from[1], from[2]);
    return from;
  }

  testing::ScratchDir dir;
  std::vector<GaugeData> gauges{2};
  std::unique_ptr<RiverSystem> store = std::make_unique<RiverSystem>();
  RiverSystem& s = *store;
  GeneratorState gen;
};

TEST_F(Forecast, OctoberMissingGeneratesTheWholeYearFromLastYearsLags) {
  gauges[1].cur[0] = -1.0;
  gauges[0].arc[0] = 1.0;  // no noise: each month carries on the last one's standard value
  gauges[1].arc[3] = 1.0;  // carries on the value of four months back
  const auto from = state();
  start();
  EXPECT_EQ(state(), advanced(from, 6000));
  const double z1 = standardised(1, 12, gauges[0].prev[11]);
  const double z2 = standardised(2, 9, gauges[1].prev[8]);
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(1, 1), flow_of(1, 1, z1));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(1, 12), flow_of(1, 12, z1));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(2, 1), flow_of(2, 1, z2));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(2, 5), flow_of(2, 5, z2));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(2, 2), flow_of(2, 2, standardised(2, 10, gauges[1].prev[9])));
}

TEST_F(Forecast, OnlySeptemberMissingCopiesElevenRecordedMonths) {
  gauges[1].cur[11] = -5.0;
  gauges[0].arc[1] = 0.5;
  const auto from = state();
  start();
  EXPECT_EQ(state(), advanced(from, 6000));
  for (int g = 1; g <= 2; ++g)
    for (int m = 1; m <= 11; ++m) EXPECT_EQ(gen.STOQ.QMONTH(g, m), gauges[static_cast<std::size_t>(g - 1)].cur[m - 1]);
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(1, 12), flow_of(1, 12, 0.5 * standardised(1, 10, gauges[0].cur[9])));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(2, 12), flow_of(2, 12, 0.0));
}

TEST_F(Forecast, LagsSpanBothYearsEachByItsOwnMonth) {
  gauges[0].cur[2] = -1.0;
  gauges[0].arc[0] = 0.4;
  gauges[0].arc[1] = 0.3;
  gauges[0].arc[2] = 0.2;
  gauges[0].arc[3] = 0.1;
  start();
  const double z = 0.1 * standardised(1, 11, gauges[0].prev[10]) + 0.2 * standardised(1, 12, gauges[0].prev[11]) +
                   0.3 * standardised(1, 1, gauges[0].cur[0]) + 0.4 * standardised(1, 2, gauges[0].cur[1]);
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(1, 3), flow_of(1, 3, z));
  EXPECT_EQ(gen.STOQ.QMONTH(1, 2), gauges[0].cur[1]);
}

TEST_F(Forecast, WithoutMemoryEachMonthIsItsOwnNoise) {
  gauges[0].cur[0] = -1.0;
  gauges[0].sige = 0.8;
  gauges[1].sige = 1.2;
  start();
  for (int g = 1; g <= 2; ++g) {
    const double sige = gauges[static_cast<std::size_t>(g - 1)].sige;
    EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(g, 12), flow_of(g, 12, sige * gen.ANN.EPS(g)));
  }
  const auto from = state();
  forecast_year(s, gen);
  EXPECT_EQ(state(), advanced(from, 6000));
  EXPECT_DOUBLE_EQ(gen.STOQ.QMONTH(2, 12), flow_of(2, 12, 1.2 * gen.ANN.EPS(2)));
}

TEST_F(Forecast, SequencesSpendSixThousandDeviatesAYear) {
  gauges[0].cur[4] = -1.0;
  gauges[0].sige = 0.3;
  write(file_text(gauges));
  std::istringstream in;
  std::ostringstream out;
  Console con{in, out};
  load_forecast_model(s);
  const auto from = state();
  for (int seq = 1; seq <= 2; ++seq) {
    gen.STDAT.NEWSEQ = 1;
    const GenerationOption option(kForecasting);
    for (int y = 1; y <= 30; ++y) {
      anskom(s, gen, con, option);
      EXPECT_EQ(gen.STDAT.NEWSEQ, 0);
    }
    run_off(s, gen, con, option, 201 - 30);
  }
  EXPECT_EQ(state(), advanced(from, 2L * 1206000));
  EXPECT_EQ(out.str(), "");  // the forecasting start does not report the stream position
}

TEST_F(Forecast, NothingMissingShowsTheBoxAndEndsTheRun) {
  const std::string message = ended_message();
  EXPECT_NE(message.find(" * There are no negative flows in PARAMFOR.DAT *\n"), std::string::npos);
  EXPECT_EQ(message.substr(0, 49), " ***********************************************\n");
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 5);
}

TEST_F(Forecast, UnusableFileEndsTheRunNamingFileAndLine) {
  const std::string text = file_text(gauges);
  try {
    load_forecast_model(s);
    ADD_FAILURE();
  } catch (const RunEnded& e) {
    EXPECT_NE(e.message().find("CANNOT OPEN FORECASTING PARAMETERS PARAMFOR.DAT"), std::string::npos) << e.message();
  }
  write(text.substr(0, text.size() / 2));
  try {
    load_forecast_model(s);
    ADD_FAILURE();
  } catch (const RunEnded& e) {
    EXPECT_NE(e.message().find("PARAMFOR.DAT LINE"), std::string::npos) << e.message();
  }
}

TEST_F(Forecast, RefusesRecordsThatCannotStandardise) {
  gauges[1].cur[2] = -1.0;
  gauges[1].cur[0] = 0.0;
  std::string message = ended_message();
  EXPECT_NE(message.find("GAUGE 2 MONTH 1 OF THE CURRENT YEAR"), std::string::npos) << message;
  gauges[1].cur[0] = 1.0;
  gauges[0].sd[6] = 0.0;
  message = ended_message();
  EXPECT_NE(message.find("GAUGE 1 MONTH 7"), std::string::npos) << message;
}

TEST_F(Forecast, OverflowingFlowEndsTheRun) {
  gauges[0].cur[0] = -1.0;
  gauges[0].mean[3] = 800.0;
  EXPECT_NE(ended_message().find("GAUGE 1 MONTH 4"), std::string::npos);
}

}  // namespace
}  // namespace flowplex
