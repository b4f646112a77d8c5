#pragma once
// The set-up dialogue of a run: banner, years, option, gauges, parameter file.
#include <string_view>

#include "report/channel.hpp"
#include "report/console.hpp"
#include "store/store.hpp"

namespace flowplex {

// The parameter file an empty answer chooses.
inline constexpr std::string_view kDefaultParameterFile = "PARMSET.DAT";

void show_banner(Console& con);
// Asks for NYS, the option, the gauge list and (after opening the report files) the
// parameter file name, filling s.RUN and s.RIVER.PARM.PARMFILE.
void run_dialogue(Store& s, Console& con, Channels& ch);

}  // namespace flowplex
