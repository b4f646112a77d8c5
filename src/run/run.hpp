#pragma once
// A whole run: start-up, dialogue, generation, forecast dump, historic files and the
// analysis menu, end.
#include "report/channel.hpp"
#include "report/console.hpp"
#include "report/run_ended.hpp"
#include "store/store.hpp"

namespace flowplex {

// Runs the program on a fresh store. Every end of the run, normal or not, flushes and
// closes the report files; the returned status says whether the run did what was asked.
ExitStatus run_flowplex(Store& s, Console& con, Channels& ch);

}  // namespace flowplex
