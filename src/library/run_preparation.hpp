#pragma once
// A run's river system made ready for its realizations, as the command line's run and
// dialogue do it: the parameter file (PARM.PARMFILE) and the series files it names read
// once, the console saying what was read; the chosen gauges found in it; the option's
// models checked; and, for a forecasting run, the forecasting model read. A fault ends
// the run (RunEnded) with the program's message.
#include <span>

#include "report/console.hpp"
#include "store/option.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Ends the run unless every chosen gauge stands in the parameter file.
void check_gauges_in_parameter_file(const RiverSystem& river, std::span<const int> gauges);

void prepare_river_system(RiverSystem& river, Console& con, int threads, std::span<const int> gauges,
                          GenerationOption option);

}  // namespace flowplex
