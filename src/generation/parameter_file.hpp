#pragma once
// Loading a river system: the parameter file, the five series files of every gauge
// and the end-member regressions of the disaggregation.
#include <optional>
#include <string>

#include "report/console.hpp"
#include "report/faults.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// The generator's load step: reads the parameter file named by PARM.PARMFILE, the
// series files of every gauge and fits the end-member regressions, writing its
// progress lines to the console. Malformed input ends the run (RunEnded); in a check
// the faults are noted and reading goes on at the next record, gauge or file. The
// series files are read only when the gauges' names and record periods came whole,
// on up to `threads` threads, their lines and faults in today's order all the same.
void anread(RiverSystem& s, Console& con, Faults& faults = Faults::ending(), int threads = 1);

// Ends the run before any generation when the loaded records cannot support the
// option: options that disaggregate (every IOPT but 2 and 3) need, for every gauge,
// a ranked record holding the calendar year of every stored position.
void check_for_generation(const RiverSystem& s, int IOPT);

// What keeps the option from generating gauge k, in the words check_for_generation
// ends the run with; nothing when the gauge's records support it.
std::optional<std::string> generation_fault(const RiverSystem& s, int IOPT, int k);

}  // namespace flowplex
