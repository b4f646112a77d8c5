#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "correlation_test/monthly_correlation.hpp"
#include "parallel/in_order.hpp"
#include "report/input.hpp"
#include "run/phases.hpp"
#include "library/risk_analyses.hpp"
#include "stats_test/statistics_report.hpp"
#include "stats_test/test1.hpp"

namespace flowplex {
namespace {

const Layout kForGauge{"A A40"};
const Layout kAnalysisOf{"A A40 A5"};

void load_historic_file(Store& s, Console& con, int k) {
  const Name& gauge = s.RIVER.PARM.GNAME(s.RUN.IGLIST(k));
  con.question([&] {
    con.text("     ");
    con.write(kForGauge, " FOR GAUGE = ", gauge);
  });
  std::string file;
  for (;;) {
    file = historic_file_name(gauge, con.ask_line([&] { con.text(" ENTER THE HISTORIC FILE TYPE (E.G. INC ) ? "); }));
    if (file_exists(s.RIVER.FOLDER, trimmed_name(file))) break;
    con.question([&] { con.text(" ", " CANNOT FIND THE HISTORIC FILE ", Text<60>(file).view(), " TRY AGAIN "); });
  }
  const HistoricRead read = load_historic_record(s.RIVER.FOLDER, file, s.HIST, k);
  for (const std::string& note : historic_read_notes(trimmed_name(file), read)) con.free(note);
}

int ask_analysis(Store& s, Console& con, int k) {
  const Name& gauge = s.RIVER.PARM.GNAME(s.RUN.IGLIST(k));
  return con.ask_whole(
      [&] {
        con.text("        ");
        con.write(kAnalysisOf, " ANALYSIS OF GAUGE *** ", gauge, " ***");
        con.text("        ", " SELECT THE APPROPRIATE ANALYSIS ( 1..4 ) ",
                 "     1.  TEST STATISTICAL PROPERTIES OF GAUGE", "     2.  TEST MONTHLY CORRELATIONS OF GAUGE",
                 "     3.  PRINT ALL STOCHASTIC ANNUAL VALUES ", "     4.  PROCEED TO NEXT GAUGE ",
                 " ENTER CHOICE ( 1-4 ) ? ");
      },
      INT_MIN, INT_MAX);
}

// The pages of slot k against every other slot, in slot order. Every slot is ranked first;
// then each page only reads the store, so the pages are computed side by side and
// written in order.
void correlations_with_others(const Store& s, SlotRanks& ranks, RunSink& sink, int k, int threads) {
  std::vector<int> others;
  for (int kk = 1; kk <= s.RUN.NSEL; ++kk)
    if (kk != k) others.push_back(kk);
  if (others.empty()) return;
  rank_slot(s.FLOW, ranks, k, s.RUN.NYS, threads);
  for (const int kk : others) rank_slot(s.FLOW, ranks, kk, s.RUN.NYS, threads);
  const SlotRanks& ranked = ranks;
  const auto page = [&](int i) {
    const int kk = others[static_cast<std::size_t>(i - 1)];
    return mthrnk(s, ranked, k, kk, s.RUN.IGLIST(k), s.RUN.IGLIST(kk), s.RUN.NYS);
  };
  in_order(static_cast<int>(others.size()), threads, page,
           [&](int, const CorrelationResult& result) { sink.correlations(result); });
}

void statistical_properties(const Store& s, Console& con, RunSink& sink, RiskAnalyses& risk, int k, int threads) {
  const int g = s.RUN.IGLIST(k);
  if (s.HIST.NYHIST(k) < 1) {
    write_not_tested(con, g);
    sink.not_tested(g);
    return;
  }
  con.free(" HERE WE GO WITH GAUGE ", g);
  const StatisticsResult result = test1(s, k, threads);
  sink.statistics(result);
  if (!sink.takes_risk()) return;
  if (const std::optional<SlotRisk> slot = risk.slot_tested(s, result)) sink.risk(*slot);
}

}  // namespace

void read_historic_files(Store& s, Console& con) {
  for (int k = 1; k <= s.RUN.NSEL; ++k) load_historic_file(s, con, k);
}

void analysis_menu(Store& s, Console& con, Channels& ch, RunSink& sink, const RealizationsBeyond* beyond_flow,
                   int threads) {
  RiskAnalyses risk(beyond_flow, threads);
  // The correlation test's ranks, formed the first time a page of a slot needs them.
  const auto ranks = std::make_unique<SlotRanks>();
  for (int k = 1; k <= s.RUN.NSEL; ++k) {
    for (int choice = 0; choice != 4;) {
      choice = ask_analysis(s, con, k);
      if (choice == 1) statistical_properties(s, con, sink, risk, k, threads);
      if (choice == 2) correlations_with_others(s, *ranks, sink, k, threads);
      if (choice == 3) annual_listing(s, con, ch, threads);
    }
  }
  if (sink.takes_risk()) sink.cross_gauge(risk.finish(s));
}

}  // namespace flowplex
