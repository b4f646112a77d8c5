#include "run/dialogue.hpp"

#include <climits>

namespace flowplex {
namespace {

const Layout kGaugeLimit{"A I3 A"};

void ask_years(Store& s, Console& con) {
  s.RUN.NYS = con.ask_whole([&] { con.text(" ENTER THE NUMBER OF STOCHASTIC YEARS (e.g. 64) ?"); }, 1, kMaxYears);
}

void ask_option(Store& s, Console& con) {
  const int answer = con.ask_whole(
      [&] {
        con.text("  ");
        con.free(" SYNTHETIC FLOW GENERATOR OPTION - ");
        con.free(std::string(35, ' '));
        con.free(" RIGOROUS STOCHASTIC APPROACH (TQLM) -   ENTER 0");
        con.free(" SIMPLE BOOTSTRAP APPROACH (BQD)     -   ENTER 1");
        con.free(" ");
        con.free(" ***  FORECASTING MODE  (TQLM)  ***  -   ENTER 3");
        con.free(" ");
      },
      INT_MIN, INT_MAX);
  s.RUN.IOPT = GenerationOption::from_answer(answer).IOPT();
}

void ask_gauges(Store& s, Console& con) {
  con.question([&] {
    con.text("     ", " ENTER THE APPROPRIATE STREAMFLOW GAUGE ", " NUMBERS TO BE STOCHASTICALLY TESTED  ",
             " ie THE NUMBER ORDER AS THEY APPEAR IN THE ");
    con.write(kGaugeLimit, " PARAMETER FILE ( MAXIMUM OF", kMaxSlots, " GAUGES )");
  });
  s.RUN.NSEL = 0;
  while (s.RUN.NSEL < kMaxSlots) {
    const bool last = s.RUN.NSEL + 1 == kMaxSlots;
    const int gauge = con.ask_whole(
        [&] {
          con.text("     ", " ENTER STREAMFLOW GAUGE NO. ( 0 TO END ) ? ", " ");
          if (last) con.text(" ", " *** LAST GAUGE THAT CAN BE ENTERED ***", " ");
        },
        0, kMaxGauges);
    if (gauge == 0) break;
    s.RUN.IGLIST(++s.RUN.NSEL) = gauge;
  }
}

void ask_parameter_file(Store& s, Console& con) {
  s.RIVER.PARM.PARMFILE.assign(con.ask_line([&] {
    con.text(" ", " ENTER THE NAME OF THE PARAMETER FILE ", " WITH PATH IF NOT IN CURRENT DIRECTORY",
             " - ELSE ENTER NOTHING IF HAPPY WITH THE");
    con.free(" DEFAULT, WHICH IS ", Name(kDefaultParameterFile));
    con.text(" ENTER PATH+NAME OR ENTER FOR DEFAULT ? ");
  }));
  if (s.RIVER.PARM.PARMFILE.blank()) s.RIVER.PARM.PARMFILE.assign(kDefaultParameterFile);
}

}  // namespace

void show_banner(Console& con) {
  con.free("         ");
  con.free("************************************************");
  con.free("*                                              *");
  con.free("*      J X W   WATER RESOURCES UTILITIES       *");
  con.free("*                                              *");
  con.free("*              F L O W P L E X                 *");
  con.free("*                                              *");
  con.free("*     UNIX/DOS  VERSION AS ON 17-12-01         *");
  con.free("*                                              *");
  con.free("************************************************");
  con.free("         ");
}

void run_dialogue(Store& s, Console& con, Channels& ch) {
  ask_years(s, con);
  ask_option(s, con);
  ask_gauges(s, con);
  if (s.RUN.writes_reports()) ch.open_reports();
  ask_parameter_file(s, con);
}

}  // namespace flowplex
