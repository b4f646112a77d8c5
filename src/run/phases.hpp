#pragma once
// The phases of a run after the dialogue.
#include <string>
#include <vector>

#include "report/channel.hpp"
#include "export/sink.hpp"
#include "library/historic_file.hpp"
#include "library/risk_analyses.hpp"
#include "flowplex/year_hook.hpp"
#include "report/console.hpp"
#include "store/store.hpp"

namespace flowplex {

class RealizationScratch;

// The run's realizations: keeps the chosen gauges' generated flows of sequences 1 to 41 in
// FLOW and their annual totals in FLOWYR, and those of the realizations beyond in the
// scratch file when there is one; the sink receives every gauge's flows of each
// realization. Sequences that stand alone are made on up to `threads` threads; their
// console lines and flows are handed on in order of the sequences all the same.
// The hook, when given, perturbs every realization between its annual flows and its months.
void generate_sequences(Store& s, Console& con, RunSink& sink, RealizationScratch* beyond_flow, int threads,
                        const YearHook* hook = nullptr);

// The annual value listing of every chosen gauge on "GAUGE.ANN", formed on up to `threads`
// threads and written in sequence order.
void annual_listing(const Store& s, Console& con, Channels& ch, int threads);

// Offers the forecast dump; true when the matrix was dumped to "FORECAST.TXT" and the
// run is over.
bool forecast_dump(const Store& s, Console& con, Channels& ch);

// Reads the historic flow file of every chosen gauge into HISTM and HISTYR.
void read_historic_files(Store& s, Console& con);

// The analysis menu of every chosen gauge; the sink receives each analysis' numbers. The
// risk analyses take the realizations beyond FLOW's from the scratch file, if any. The
// figures of the sequences are formed on up to `threads` threads; the menu's answers are
// read only when asked for.
void analysis_menu(Store& s, Console& con, Channels& ch, RunSink& sink, const RealizationsBeyond* beyond_flow,
                   int threads);

}  // namespace flowplex
