// Timings of the routines a large run spends its time in, each at the size of the
// largest system the store holds: 300 gauges, 200 years, 15 chosen gauges, 41 sequences.
// The readers time a 300-gauge river system made once by tools/make_river_system.py in
// the folder FLOWPLEX_BENCH_DATA names, or else in river-300 beside this executable.
// Nothing here is a test: results are only kept from being optimised away.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <numeric>
#include <random>
#include <sstream>
#include <type_traits>
#include <vector>

#include "correlation_test/spearman.hpp"
#include "generation/disaggregation.hpp"
#include "generation/generator.hpp"
#include "generation/parameter_file.hpp"
#include "generation/series_file.hpp"
#include "generation/transforms.hpp"
#include "report/run_ended.hpp"
#include "stats_test/storage_yield.hpp"
#include "store/store.hpp"

namespace {

namespace fs = std::filesystem;
using namespace flowplex;

fs::path executable_folder;

// Uniform values in [lo, hi) from a fixed seed, so that every run times the same work.
template <typename Range>
void fill_uniform(Range&& values, double lo, double hi, unsigned seed) {
  std::mt19937 engine(seed);
  std::uniform_real_distribution<double> draw(lo, hi);
  for (auto& v : values) v = static_cast<std::remove_reference_t<decltype(v)>>(draw(engine));
}

// A console whose lines stay in memory; emptied before each timed call.
struct QuietConsole {
  std::istringstream in;
  std::ostringstream out;
  Console con{in, out};
};

void BM_correlate(benchmark::State& state) {
  auto store = make_store();
  AnnualModel& a = store->RIVER.ANN;
  auto sequence = std::make_unique<GeneratorState>();
  AnnualRecursion& r = sequence->ANN;
  // Lower-triangular, as the factor of an innovation covariance is.
  for (int j = 1; j <= kMaxGauges; ++j) fill_uniform(a.CMAT1.span(kMaxGauges - j + 1, j, j), -1.0, 1.0, j);
  fill_uniform(r.EPS.all(), -3.0, 3.0, 0);
  find_column_tops(a.CMAT1, kMaxGauges, a.CMAT1TOP);
  for (auto _ : state) {
    correlate(a.CMAT1, a.CMAT1TOP, r.EPS.all(), kMaxGauges, r.EVEC);
    benchmark::DoNotOptimize(r.EVEC);
  }
}
BENCHMARK(BM_correlate);

void BM_mindq(benchmark::State& state) {
  const int keys = static_cast<int>(state.range(0));
  auto store = make_store();
  Store& s = *store;
  s.RIVER.PARM.NCOMMON = kMaxYears;
  s.RIVER.DSBASE.NKEY = keys;
  for (int k = 1; k <= keys; ++k) s.RIVER.DSBASE.KEYG(k) = 1 + (k - 1) * kMaxGauges / keys;  // spread over the system
  fill_uniform(s.RIVER.QREC01.QA.all(), 10.0, 1000.0, 1);
  Arr<double, kMaxGauges> Q;
  fill_uniform(Q.all(), 10.0, 1000.0, 2);
  IndicBlock in;
  for (auto _ : state) {
    mindq(s.RIVER, in, Q);
    benchmark::DoNotOptimize(in.IYSEL);
  }
}
BENCHMARK(BM_mindq)->ArgName("keys")->Arg(20)->Arg(kMaxKeys);

// Stored position p of gauge 1 holds `year` with annual flow Q, month m holding m/78 of it.
void store_year(SeriesBlock& block, int p, int year, double Q) {
  block.IY(p, 1) = year;
  block.QA(p, 1) = Q;
  for (int m = 1; m <= kMonths; ++m) block.QM(m, p, 1) = Q * m / 78.0;
}

void BM_disagg(benchmark::State& state) {
  auto store = make_store();
  Store& s = *store;
  s.RIVER.PARM.NGAUGE = 1;
  s.RIVER.PARM.NCOMMON = kMaxYears;
  s.RIVER.NREC(1) = kMaxYears;
  std::vector<double> annual(kMaxYears);
  fill_uniform(annual, 10.0, 1000.0, 3);
  std::vector<int> by_flow(kMaxYears);
  std::iota(by_flow.begin(), by_flow.end(), 0);
  std::sort(by_flow.begin(), by_flow.end(), [&](int a, int b) { return annual[a] < annual[b]; });
  for (int p = 1; p <= kMaxYears; ++p) {
    const auto at = static_cast<std::size_t>(p - 1);
    store_year(s.RIVER.QREC01, p, 1800 + p, annual[at]);
    store_year(s.RIVER.QREC03, p, 1800 + p, 1.5 * annual[at]);
    store_year(s.RIVER.QREC02, p, 1801 + by_flow[at], annual[static_cast<std::size_t>(by_flow[at])]);
  }
  index_ranked_records(s.RIVER);
  // Stochastic flows reach a little past both ends of the record.
  std::vector<double> flows(kMaxYears);
  fill_uniform(flows, 5.0, 1100.0, 4);
  QuietConsole quiet;
  Arr<double, kMonths> monthly, rainfall;
  int negative = 0;
  std::size_t call = 0;
  IndicBlock in;
  for (auto _ : state) {
    in.IYSEL = static_cast<int>(call % kMaxYears) + 1;  // every stored year in turn
    disagg(s.RIVER, in, quiet.con, 1, flows[call % kMaxYears], monthly, rainfall, Disaggregation::standard, negative);
    benchmark::DoNotOptimize(monthly);
    ++call;
  }
}
BENCHMARK(BM_disagg);

// Two series of kMaxPairs values, as a monthly correlation pairs two gauges.
struct SeriesPair {
  std::vector<float> X = std::vector<float>(kMaxPairs), Y = std::vector<float>(kMaxPairs);
  SeriesPair() {
    fill_uniform(X, 0.0, 500.0, 5);
    fill_uniform(Y, 0.0, 500.0, 6);
  }
};

void BM_spear2(benchmark::State& state) {
  const SeriesPair pair;
  float r = 0.0F;
  for (auto _ : state) {
    spear2(pair.X, pair.Y, kMaxPairs, r);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_spear2);

void BM_rank_series(benchmark::State& state) {
  const SeriesPair pair;
  std::vector<float> R(kMaxPairs);
  float S = 0.0F;
  for (auto _ : state) {
    rank_series(pair.X, kMaxPairs, R, S);
    benchmark::DoNotOptimize(R.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_rank_series);

// The coefficient alone, from ranks formed once beforehand.
void BM_ranked_coefficient(benchmark::State& state) {
  const SeriesPair pair;
  std::vector<float> RX(kMaxPairs), RY(kMaxPairs);
  float SX = 0.0F, SY = 0.0F;
  rank_series(pair.X, kMaxPairs, RX, SX);
  rank_series(pair.Y, kMaxPairs, RY, SY);
  for (auto _ : state) {
    benchmark::DoNotOptimize(ranked_coefficient(RX, SX, RY, SY, kMaxPairs));
  }
}
BENCHMARK(BM_ranked_coefficient);

void BM_brutog(benchmark::State& state) {
  auto store = make_store();
  Store& s = *store;
  constexpr int n = kMonths * kMaxYears;
  for (int seq = 1; seq <= kSequences; ++seq) fill_uniform(s.FLOW.FLOW.span(n, 1, 1, seq, 1), 0.0, 200.0, 100 + seq);
  StorageYield curve;
  for (auto _ : state) {
    for (int seq = 1; seq <= kSequences; ++seq) {
      float MAR = 1200.0F;  // the historical mean annual flow of the gauge
      int plot_count = 0;
      brutog(kMaxYears, s.FLOW.FLOW.span(n, 1, 1, seq, 1), MAR, curve, plot_count);
      benchmark::DoNotOptimize(plot_count);
    }
    benchmark::DoNotOptimize(curve.storage);
  }
}
BENCHMARK(BM_brutog)->Unit(benchmark::kMillisecond);

// The folder of the 300-gauge river system, made on first use. The forecasting
// parameters are written last, so a folder holding them is complete.
const fs::path& river_system() {
  static const fs::path folder = [] {
    const char* named = std::getenv("FLOWPLEX_BENCH_DATA");
    fs::path dir = named != nullptr && *named != '\0' ? fs::path(named) : executable_folder / "river-300";
    if (!fs::exists(dir / "PARAMFOR.DAT")) {
      const fs::path script = fs::path(__FILE__).parent_path().parent_path() / "tools" / "make_river_system.py";
      std::ostringstream command;
      command << "python3 " << script << " --out " << dir << " --gauges 300 --years 200 --keys 20 >/dev/null";
      if (std::system(command.str().c_str()) != 0) return fs::path();
    }
    return fs::absolute(dir);
  }();
  return folder;
}

// Loads the river system into s from its folder, which becomes the current folder
// (the readers look for files by name there); false, with the benchmark skipped, when
// the system cannot be made or loaded.
bool load_river_system(benchmark::State& state, Store& s, QuietConsole& quiet) {
  const fs::path& dir = river_system();
  std::error_code error;
  if (!dir.empty()) fs::current_path(dir, error);
  if (dir.empty() || error) {
    state.SkipWithError("the 300-gauge river system could not be made");
    return false;
  }
  s.RIVER.PARM.PARMFILE.assign("PARMSET.DAT");
  try {
    anread(s.RIVER, quiet.con);
  } catch (const RunEnded& e) {
    state.SkipWithError(e.what());
    return false;
  }
  state.counters["gauges"] = s.RIVER.PARM.NGAUGE;
  state.counters["years"] = s.RIVER.PARM.NCOMMON;
  return true;
}

// Times read on a store loaded from the river system, its console emptied before each call.
template <typename Read>
void time_reader(benchmark::State& state, Read read) {
  auto store = make_store();
  QuietConsole quiet;
  if (!load_river_system(state, *store, quiet)) return;
  for (auto _ : state) {
    quiet.out.str({});
    read(*store, quiet.con);
    benchmark::DoNotOptimize(store->RIVER.NREC);
  }
}

// One series type: the incremental flows of every gauge.
void BM_readin(benchmark::State& state) {
  time_reader(state, [](Store& s, Console& con) { readin(s.RIVER, con, s.RIVER.QREC01, kIncremental); });
}
BENCHMARK(BM_readin)->Unit(benchmark::kMillisecond);

// The whole load: the parameter file with its matrices, the five series types of
// every gauge and the end-member regressions.
void BM_anread(benchmark::State& state) {
  time_reader(state, [](Store& s, Console& con) { anread(s.RIVER, con); });
}
BENCHMARK(BM_anread)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc > 0) executable_folder = fs::absolute(argv[0]).parent_path();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
