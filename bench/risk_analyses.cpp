// The risk analyses' own time on workload B's flows (300 gauges, 200 years, 15 chosen
// gauges): the whole run in-process with the workload's answers, then the risk analyses
// of every slot again, timed alone, over the 41 realizations the run holds, both as the
// run feeds them (storages from the statistics test) and as realizations beyond 41 will
// be fed (storages formed by the one-pass sequent peak), and the run without analyses for
// the generation's cost per realization. Prints the figures and their extrapolation to
// an ensemble of 1000. Usage: flowplex_risk_bench [WORKLOAD_DIR] (default: the folder
// FLOWPLEX_BENCH_DATA names); the folder holds PARMSET.DAT and answers_B.txt, as
// bench/workloads.py makes them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "risk/cross_gauge.hpp"
#include "risk/slot_risk.hpp"
#include "run/run.hpp"

namespace {

using namespace flowplex;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// Keeps the statistics tests' results for the risk analyses to be timed again.
struct Tests final : RunSink {
  void statistics(const StatisticsResult& result) override { results.push_back(result); }
  std::vector<StatisticsResult> results;
};

// One run of the answers; its time in seconds.
double run(Store& s, const std::string& answers, RunSink& sink) {
  std::istringstream in(answers);
  std::ostringstream out;
  Console con(in, out);
  Channels ch;
  const auto start = Clock::now();
  if (run_flowplex(s, con, ch, sink) != ExitStatus::Success) {
    std::fprintf(stderr, "the run failed:\n%s\n", out.str().c_str());
    std::exit(1);
  }
  return seconds_since(start);
}

// The workload's answers up to the menus, then "proceed" at every menu: generation only.
std::string without_analyses(const std::string& answers, int slots) {
  std::istringstream in(answers);
  std::string line, out;
  for (int i = 0; i < 1 + 1 + slots + 1 + 1 + slots && std::getline(in, line); ++i) out += line + "\n";
  for (int k = 0; k < slots; ++k) out += "4\n";
  return out;
}

std::vector<float> historical_months(const Store& s, int k) {
  std::vector<float> months;
  for (int y = 1; y <= s.HIST.NYHIST(k); ++y)
    for (int m = 1; m <= kMonths; ++m) months.push_back(s.HIST.HISTM(y, m, k));
  return months;
}

// Every slot's analyses over the 41 realizations; tested: with the test's storages.
double slot_analyses(const Store& s, const std::vector<StatisticsResult>& tests, bool tested) {
  const auto start = Clock::now();
  for (const StatisticsResult& t : tests) {
    SlotRiskAnalysis analysis(t, historical_months(s, t.slot));
    for (int r = 1; r <= kSequences; ++r) {
      const auto months = s.FLOW.FLOW.span(kMonths * t.NYS, 1, 1, r, t.slot);
      analysis.add(tested ? analysis.tested_realization(r, months) : analysis.realization(months));
    }
    if (analysis.finish().reliability.empty()) std::abort();
  }
  return seconds_since(start);
}

double cross_gauge(const Store& s, const std::vector<StatisticsResult>& tests) {
  const auto start = Clock::now();
  std::vector<SlotLabel> slots;
  for (const StatisticsResult& t : tests) slots.push_back({t.slot, t.gauge, t.name});
  CrossGaugeCorrelation correlation(slots, std::vector<std::optional<float>>(slots.size() * (slots.size() - 1) / 2));
  std::vector<std::span<const float>> annual(slots.size());
  for (int r = 1; r <= kSequences; ++r) {
    for (std::size_t i = 0; i < slots.size(); ++i) annual[i] = s.FLOW.FLOWYR.span(s.RUN.NYS, 1, r, slots[i].slot);
    correlation.add_realization(annual);
  }
  if (correlation.finish().pairs.size() != annual.size() * (annual.size() - 1) / 2) std::abort();
  return seconds_since(start);
}

}  // namespace

int main(int argc, char** argv) {
  const char* named = argc > 1 ? argv[1] : std::getenv("FLOWPLEX_BENCH_DATA");
  if (named == nullptr) {
    std::fprintf(stderr, "usage: flowplex_risk_bench WORKLOAD_B_DIR\n");
    return 2;
  }
  std::filesystem::current_path(named);
  std::ifstream file("answers_B.txt");
  std::stringstream answers;
  answers << file.rdbuf();

  auto s = make_store();
  Tests tests;
  const double whole = run(*s, answers.str(), tests);
  const int slots = s->RUN.NSEL;
  RunSink none;
  const double generation = run(*make_store(), without_analyses(answers.str(), slots), none);

  const double tested = slot_analyses(*s, tests.results, true);
  const double beyond = slot_analyses(*s, tests.results, false);
  const double cross = cross_gauge(*s, tests.results);
  const int analysed = static_cast<int>(tests.results.size());

  const double per_tested = tested / kSequences, per_beyond = beyond / kSequences, per_cross = cross / kSequences;
  const double per_generated = generation / kSequences;
  const int ensemble = 1000;
  const double risk_1000 = kSequences * (per_tested + per_cross) + (ensemble - kSequences) * (per_beyond + per_cross);
  const double run_1000 = whole + (ensemble - kSequences) * per_generated;
  std::printf("workload B: %d slots analysed, %d years, %d realizations\n", analysed, s->RUN.NYS, kSequences);
  std::printf("whole run (analyses 1, 2, 3 of every slot, risk analyses included): %.3f s\n", whole);
  std::printf("run without analyses (generation, 41 realizations): %.3f s, %.2f ms a realization\n", generation,
              1e3 * per_generated);
  std::printf("risk analyses, realizations 1-41 (the test's storages): %.3f s, %.2f ms a realization (%.0f us a slot)\n",
              tested, 1e3 * per_tested, 1e6 * per_tested / analysed);
  std::printf("risk analyses, storages formed here (realizations beyond 41): %.3f s, %.2f ms a realization "
              "(%.0f us a slot)\n",
              beyond, 1e3 * per_beyond, 1e6 * per_beyond / analysed);
  std::printf("cross-gauge correlation: %.4f s, %.3f ms a realization\n", cross, 1e3 * per_cross);
  std::printf("share of the run at 41 realizations: %.1f %%\n", 100.0 * (tested + cross) / whole);
  std::printf("extrapolated to %d realizations: risk analyses %.2f s of a run of %.1f s, %.1f %%\n", ensemble,
              risk_1000, run_1000, 100.0 * risk_1000 / run_1000);
  return 0;
}
