#include "run/run_command.hpp"

#include <unistd.h>

#include <iostream>
#include <optional>
#include <sstream>

#include "export/exports.hpp"
#include "run/progress.hpp"

namespace flowplex {
namespace {

// A progress line is for a person at a terminal, never for a file or a pipe.
bool standard_error_is_a_terminal() { return ::isatty(STDERR_FILENO) == 1; }

// A whole run: the dialogue reads its answers from answers, the console writes to out
// what `shown` says, the outputs are those of the invocation; with progress, a progress
// line is drawn on standard error.
ExitStatus console_run(std::istream& answers, std::ostream& out, Shown shown, bool progress_line,
                       const Invocation& invocation, const BeforeDialogue& before_dialogue = {}) {
  auto store = make_store();
  store->RUN.REALIZATIONS = invocation.realizations;
  Console console(answers, out, shown);
  Channels channels;
  RunInfo info{recorded_command_line(invocation.arguments), invocation.version, &console};
  RunSinks sinks = output_sinks(invocation.outputs, info);
  std::optional<ProgressLine> progress;
  if (progress_line) progress.emplace(std::cerr, console, sinks, !sinks.empty());
  RunSink& sink = progress ? static_cast<RunSink&>(*progress) : sinks;
  const ExitStatus status = run_flowplex(*store, console, channels, sink, before_dialogue, invocation.threads,
                                           invocation.perturbation, invocation.version);
  out.flush();
  return status;
}

}  // namespace

CLI::App* add_run_command(CLI::App& app, RunFlags& f) {
  CLI::App* run = app.add_subcommand(
      "run", "Run without the dialogue: its answers given as flags (the program's options may follow too)");
  run->add_option("--years", f.years, "Stochastic years per sequence, 1 to 200")
      ->required()
      ->type_name("N")
      ->check(CLI::Range(1, kMaxYears));
  run->add_option("--option", f.option, "rigorous, bootstrap or forecast (or 0, 1, 3)")->required()->type_name("NAME");
  run->add_option("--gauges", f.gauges, "Gauge numbers to test, e.g. 1,5,7 (at most 15, repeats allowed), or none")
      ->required()
      ->type_name("LIST");
  run->add_option("--parameters", f.parameters, "The parameter file (default PARMSET.DAT)")->type_name("FILE");
  run->add_option("--historic", f.historic, "Historic file type of every gauge, or TYPE,TYPE,... one per gauge (default HIS)")
      ->type_name("TYPE");
  run->add_option("--analyses", f.analyses,
                  "Analyses of every gauge: 1 statistical properties, 2 monthly correlations, 3 annual values; "
                  "e.g. 1,3, or all (the default), or none")
      ->type_name("LIST");
  run->add_option("--analyses-for", f.analyses_for, "The analyses of the gauge in place K of --gauges, e.g. 2=1,3")
      ->type_name("K=LIST");
  run->add_flag("--dump", f.dump, "Forecasting mode: dump the generated matrix to FORECAST.TXT and end the run");
  run->add_flag("--quiet", f.quiet, "Show only what made the run fail");
  // The output options and -C belong to the program; given after `run` they still count.
  run->fallthrough();
  return run;
}

// Answers read from a file make a scripted run, which shows no progress line.
ExitStatus dialogue_run(const Invocation& invocation) {
  const bool typed = ::isatty(STDIN_FILENO) == 1;
  return console_run(std::cin, std::cout, Shown::Everything, typed && standard_error_is_a_terminal(), invocation);
}

ExitStatus flag_run(const RunRequest& request, const Invocation& invocation, std::ostream& out) {
  std::istringstream answers(dialogue_answers(request));
  // Quiet keeps only what made the run fail: no progress line either.
  return console_run(answers, out, request.quiet ? Shown::OnlyFailures : Shown::AllButQuestions,
                     !request.quiet && standard_error_is_a_terminal(), invocation,
                     [&](Store& s, Console& con) {
                       check_before_run(s, con, request, invocation.threads);
                       run_perturbation(s.RIVER, GenerationOption::from_answer(request.option), invocation.perturbation);
                     });
}

}  // namespace flowplex
