#include "run/phases.hpp"

#include "parallel/in_order.hpp"

namespace flowplex {
namespace {

const Layout kSequenceHeading{R"(/ / 20X "SEQUENCE NO. IS " I5 /)"};
const Layout kAnnualLine{"1X I2 1X 15F8.0"};
const Layout kDumpGauge{"/ / A /"};
const Layout kDumpMonth{"41(F7.2 1X)"};

bool answered_yes(const std::string& answer) {
  const auto first = answer.find_first_not_of(" \t");
  return first != std::string::npos && (answer[first] == 'Y' || answer[first] == 'y');
}

void dump_slot(const Store& s, Channel& out, int k) {
  Arr<float, kSequences> row;
  for (int y = 1; y <= s.RUN.NYS; ++y)
    for (int m = 1; m <= kMonths; ++m) {
      for (int seq = 1; seq <= kSequences; ++seq) row(seq) = s.FLOW.FLOW(m, y, seq, k);
      out.write(kDumpMonth, row.all());
    }
}

}  // namespace

// Each sequence's block is formatted on its own, side by side with the others, and the
// blocks are written in sequence order.
void annual_listing(const Store& s, Console& con, Channels& ch, int threads) {
  const auto block = [&s](int seq) {
    HeldLines lines;
    lines.write(kSequenceHeading, seq);
    for (int y = 1; y <= s.RUN.NYS; ++y) {
      Values v;
      v.add(y);
      for (int k = 1; k <= s.RUN.NSEL; ++k) v.add(s.FLOW.FLOWYR(y, seq, k));
      lines.write_values(kAnnualLine, v);
    }
    return lines.take();
  };
  Channel& out = ch.unit(11);
  in_order(kSequences, threads, block, [&](int seq, const std::string& lines) {
    out.pass_on(lines);
    con.free("SEQ NO.", seq);
  });
}

bool forecast_dump(const Store& s, Console& con, Channels& ch) {
  const std::string answer = con.ask_line([&] {
    con.free(" This segment is designed to output the stochastic");
    con.free(" monthly flows FLOW to a file 'FORCAST.TXT' for");
    con.free(" further analysis.  Choosing this option will    ");
    con.free(" terminate execution after the matrix dump.      ");
    con.free(" Enter y/n or Y/N to dump the matrix FLOW, or not");
    con.free(" ");
  });
  if (!answered_yes(answer)) return false;
  Channel& out = ch.unit(27);
  out.open_new();
  // Gauges in parameter-file order; a gauge chosen in several slots once per slot.
  for (int g = 1; g <= s.RIVER.PARM.NGAUGE; ++g)
    for (int k = 1; k <= s.RUN.NSEL; ++k)
      if (s.RUN.IGLIST(k) == g) {
        out.write(kDumpGauge, s.RIVER.PARM.GNAME(g));
        dump_slot(s, out, k);
      }
  out.close();
  return true;
}

}  // namespace flowplex
