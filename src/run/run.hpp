#pragma once
// A whole run: start-up, dialogue, generation, forecast dump, historic files and the
// analysis menu, end.
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "export/sink.hpp"
#include "report/channel.hpp"
#include "report/console.hpp"
#include "report/run_ended.hpp"
#include "run/perturbed_run.hpp"
#include "store/store.hpp"

namespace flowplex {

// Checks made after the banner and before the dialogue opens the report files, so that
// a fault they find ends the run before any file is written.
using BeforeDialogue = std::function<void(Store&, Console&)>;

// Runs the program on a fresh store. Every end of the run, normal or not, flushes and
// closes the report files; the returned status says whether the run did what was asked.
// The sink receives the generated flows and the analyses' tables; it commits its files
// when the run did what was asked, and abandons them otherwise.
// threads: how many threads may read the series files and make the sequences (1: one
// after another on the calling thread); the outputs are the same whatever it is.
// perturbation: the factors the realizations are perturbed by, if any.
// version: the program's version, as the outputs state it.
ExitStatus run_flowplex(Store& s, Console& con, Channels& ch, RunSink& sink,
                        const BeforeDialogue& before_dialogue = {}, int threads = 1,
                        const std::optional<PerturbationFlag>& perturbation = std::nullopt,
                        const std::string& version = {});

// A run with no output beyond the reports.
inline ExitStatus run_flowplex(Store& s, Console& con, Channels& ch) {
  RunSink none;
  return run_flowplex(s, con, ch, none);
}

}  // namespace flowplex
