#pragma once
// A whole run: start-up, dialogue, generation, forecast dump, historic files and the
// analysis menu, end.
#include "report/channel.hpp"
#include "report/console.hpp"
#include "export/sink.hpp"
#include "report/run_ended.hpp"
#include "store/store.hpp"

namespace flowplex {

// Runs the program on a fresh store. Every end of the run, normal or not, flushes and
// closes the report files; the returned status says whether the run did what was asked.
// The sink receives the generated flows and the analyses' tables; it commits its files
// when the run did what was asked, and abandons them otherwise.
ExitStatus run_flowplex(Store& s, Console& con, Channels& ch, RunSink& sink);

// A run with no output beyond the reports.
inline ExitStatus run_flowplex(Store& s, Console& con, Channels& ch) {
  RunSink none;
  return run_flowplex(s, con, ch, none);
}

}  // namespace flowplex
