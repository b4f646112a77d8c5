#pragma once
// Loading a river system: the parameter file, the five series files of every gauge
// and the end-member regressions of the disaggregation.
#include "report/console.hpp"
#include "store/store.hpp"

namespace flowplex {

// The generator's load step: reads the parameter file named by PARM.PARMFILE, the
// series files of every gauge and fits the end-member regressions, writing its
// progress lines to the console. Malformed input ends the run (RunEnded).
void anread(Store& s, Console& con);

// Ends the run before any generation when the loaded records cannot support the
// option: options that disaggregate (every IOPT but 2 and 3) need, for every gauge,
// a ranked record holding the calendar year of every stored position.
void check_for_generation(const Store& s, int IOPT);

}  // namespace flowplex
