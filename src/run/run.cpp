#include "run/run.hpp"

#include <optional>
#include <sstream>

#include "library/run_preparation.hpp"
#include "report/input.hpp"
#include "report/interruption.hpp"
#include "run/dialogue.hpp"
#include "run/phases.hpp"
#include "run/realization_scratch.hpp"
#include "run/report_pages.hpp"

namespace flowplex {
namespace {

void write_failure(Console& con, const std::string& message) {
  std::istringstream lines(message);
  for (std::string line; std::getline(lines, line);) con.failure(line);
}

// The report files closed, then the sink's files made final; a failed write ends the
// run as failed.
ExitStatus finish(Console& con, Channels& ch, RunSink& sink, std::string_view stop_message) {
  if (const std::string failed = ch.close_all(); !failed.empty()) {
    sink.abandon();
    con.failure(" *** CANNOT WRITE THE REPORT FILE " + failed + " ***");
    return ExitStatus::RunFailed;
  }
  {
    const auto renaming = interruption::hold_for_final_names();
    sink.commit();
  }
  con.text(stop_message);
  return ExitStatus::Success;
}

// The chosen gauges with the historic files read so far.
std::vector<ChosenGauge> chosen_gauges(const Store& s) {
  std::vector<ChosenGauge> chosen;
  for (int k = 1; k <= s.RUN.NSEL; ++k) {
    const int g = s.RUN.IGLIST(k);
    const bool known = g >= 1 && g <= s.RIVER.PARM.NGAUGE;
    chosen.push_back({k, g, known ? trimmed_name(s.RIVER.PARM.GNAME(g).view()) : "",
                      trimmed_name(s.HIST.HISTFILE(k).view()), s.HIST.NYHIST(k)});
  }
  return chosen;
}

// The run as its writers see it, once the dialogue has been answered and the river
// system loaded; the input files are listed from the store when the files become final.
RunDescription describe(const Store& s, const std::optional<PerturbationFlag>& perturbation, std::string version) {
  RunSettings settings{s.RUN.option(), s.RUN.NYS, s.RUN.REALIZATIONS, std::move(version), std::nullopt,
                       s.RUN.writes_reports(), chosen_gauges(s)};
  if (perturbation) settings.perturbation = perturbation->factors;
  return describe_run(s.RIVER, std::move(settings), [&s] { return inputs_read(s); });
}

}  // namespace

ExitStatus run_flowplex(Store& s, Console& con, Channels& ch, RunSink& outputs, const BeforeDialogue& before_dialogue,
                        int threads, const std::optional<PerturbationFlag>& perturbation, const std::string& version) {
  // The report pages are written from the analyses' tables as every other output is.
  ReportPages pages(ch);
  RunSinks sink;
  sink.add(pages);
  sink.add(outputs);
  try {
    show_banner(con);
    if (before_dialogue) before_dialogue(s, con);
    run_dialogue(s, con, ch);
    prepare_river_system(s.RIVER, con, threads, s.RUN.IGLIST.span(s.RUN.NSEL, 1), s.RUN.option());
    const std::unique_ptr<YearHook> hook = run_perturbation(s.RIVER, s.RUN.option(), perturbation);
    show_perturbation(con, perturbation);
    sink.begin_generation(describe(s, perturbation, version));
    // Removed when the run ends, however it ends.
    std::optional<RealizationScratch> scratch;
    if (sink.takes_risk() && RealizationScratch::needed(s.RUN)) scratch.emplace(s.RUN);
    RealizationScratch* const beyond_flow = scratch ? &*scratch : nullptr;
    generate_sequences(s, con, sink, beyond_flow, threads, hook.get());
    if (s.RUN.option().forecasting() && forecast_dump(s, con, ch)) return finish(con, ch, sink, " There you go boetie!");
    read_historic_files(s, con);
    sink.begin_analyses(chosen_gauges(s));
    analysis_menu(s, con, ch, sink, beyond_flow, threads);
    return finish(con, ch, sink, " There you go !");
  } catch (const RunEnded& e) {
    sink.abandon();
    const std::string failed = ch.close_all();
    write_failure(con, e.message());
    if (!failed.empty()) con.failure(" *** CANNOT WRITE THE REPORT FILE " + failed + " ***");
    return e.status();
  }
}

}  // namespace flowplex
