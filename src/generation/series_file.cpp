#include "generation/series_file.hpp"

#include <array>
#include <exception>
#include <string>

#include "parallel/in_order.hpp"
#include "report/input.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

const Layout kFileName{R"(2X A)"};
const Layout kSeriesLine{R"(4X I4 1X 12(F7.2 1X) F9.2)"};
const Layout kYearsKept{R"(" NO. OF YEARS = " I5)"};

constexpr std::array<std::string_view, kSeriesTypes> kExtensions{".INC", ".RNK", ".RAN", ".AFF", ".IRR"};

// One yearly line: the calendar year, twelve months and the file's annual total.
constexpr int kLineValues = 2 + kMonths;
// The columns of a yearly line. Anything but blanks after them means a value wider
// than its field has pushed the fields that follow it out of their columns.
constexpr std::size_t kLineColumns = 114;

using SeriesName = Text<50>;

// Types whose every common-period year is needed: the generator draws whole
// incremental years and takes monthly patterns and calendar years from the ranked
// and rainfall records, so a missing year would silently become an all-zero year.
bool needs_every_year(int type) { return type == kIncremental || type == kRanked || type == kRainfall; }

// The years of the common period already stored for the file being read.
class CommonYears {
 public:
  CommonYears(int first, int length) : first_(first), length_(length) {}
  bool holds(double year) const { return year >= first_ && year <= static_cast<double>(first_) + length_ - 1; }
  // Marks the year as stored; false when it was stored before.
  bool mark(int year) {
    bool& seen = seen_(year - first_ + 1);
    if (seen) return false;
    seen = true;
    return true;
  }
  // The first year of the period not stored, or 0 when every year is.
  int first_missing() const {
    for (int i = 1; i <= length_; ++i)
      if (!seen_(i)) return first_ + i - 1;
    return 0;
  }

 private:
  int first_;
  int length_;
  Arr<bool, kMaxYears> seen_;
};

[[noreturn]] void incomplete_record(LineWriter& con, const LineReader& in, int line, int kept, std::string_view why) {
  con.write(kYearsKept, kept);
  end_run(" *** ERROR IN FILE " + in.name() + " LINE " + std::to_string(line) + ": " +
          std::string(why) + " ***\nERROR INCOMPLETE DATA RECORD");
}

// Reads the first NYEARS lines of one gauge's file, storing the common-period years
// from position 1 up; returns the number of positions filled.
int read_years(const RiverSystem& s, LineWriter& con, LineReader& in, SeriesBlock& block, int g, int type) {
  CommonYears common(s.PARM.ISTART, s.PARM.NCOMMON);
  std::array<double, kLineValues> v{};
  int n = 0;
  for (int line = 1; line <= s.ANDATA.NYEARS(g); ++line) {
    std::string_view text;
    if (!in.next(text)) incomplete_record(con, in, line, n, "FILE ENDS BEFORE THE LAST RECORD YEAR");
    if (auto error = kSeriesLine.read(text, v)) incomplete_record(con, in, line, n, *error);
    if (text.find_first_not_of(' ', kLineColumns) != std::string_view::npos)
      incomplete_record(con, in, line, n, "TEXT AFTER COLUMN 114: A VALUE IS WIDER THAN ITS FIELD");
    if (!common.holds(v[0])) continue;
    const int year = static_cast<int>(v[0]);
    if (!common.mark(year))
      in.fail("YEAR " + std::to_string(year) + " OF THE COMMON PERIOD OCCURS TWICE");
    ++n;
    block.IY(n, g) = year;
    for (int m = 1; m <= kMonths; ++m) block.QM(m, n, g) = v[static_cast<std::size_t>(m)];
    block.QA(n, g) = v[kLineValues - 1];
  }
  if (needs_every_year(type) && n < s.PARM.NCOMMON)
    in.fail("YEAR " + std::to_string(common.first_missing()) + " OF THE COMMON PERIOD IS MISSING");
  return n;
}

// The annual value of each stored year is the sum of its twelve months, whatever
// total the file holds.
void sum_months(const RiverSystem& s, SeriesBlock& block, int g) {
  for (int n = 1; n <= s.PARM.NCOMMON; ++n) {
    long double sum = 0.0L;
    for (int m = 1; m <= kMonths; ++m) sum += block.QM(m, n, g);
    block.QA(n, g) = static_cast<double>(sum);
  }
}

// A file that exists but cannot be opened ends the run with the reader's own line
// naming the file, then the series reader's message.
LineReader open_series(const RiverSystem& s, const std::string& name) {
  try {
    return LineReader(name, "SERIES FILE", s.FOLDER);
  } catch (const RunEnded& e) {
    end_run(e.message() + "\nERROR OPENING INPUT FILE");
  }
}

void read_gauge(RiverSystem& s, LineWriter& con, SeriesBlock& block, int g, int type) {
  const std::string name = series_file_name(s, g, type);
  con.write(kFileName, SeriesName(name));
  if (!file_exists(s.FOLDER, name)) {
    con.free("CANNOT FIND THE FILE - PROCEEDING WITH NEXT FILE");
    return;
  }
  LineReader in = open_series(s, name);
  read_years(s, con, in, block, g, type);
  sum_months(s, block, g);
  con.free(" FIRST/LAST YEAR = ", block.IY(1, g), block.IY(s.PARM.NCOMMON, g));
  s.NREC(g) = s.PARM.NCOMMON;
}

}  // namespace

std::string series_file_name(const RiverSystem& s, int g, int type) {
  return std::string(s.PARM.GNAME(g).first_word()) + std::string(kExtensions[static_cast<std::size_t>(type - 1)]);
}

void readin(RiverSystem& s, LineWriter& con, SeriesBlock& block, int type, Faults& faults, int threads) {
  // Each gauge's file is read on its own into its own part of the block; its console
  // lines and its fault are handed on in gauge order.
  struct GaugeRead {
    std::string console;
    std::exception_ptr fault;
  };
  const auto read = [&](int g) {
    GaugeRead done;
    HeldLines lines;
    try {
      read_gauge(s, lines, block, g, type);
    } catch (...) {
      done.fault = std::current_exception();
    }
    done.console = lines.take();
    return done;
  };
  const auto report = [&](int g, GaugeRead done) {
    con.pass_on(done.console);
    faults.carry_on([&] { if (done.fault) std::rethrow_exception(done.fault); }, g);
  };
  in_order(s.PARM.NGAUGE, threads, read, report);
}

int stored_year(const RiverSystem& s, int p, int k) {
  const int rainfall_year = s.QREC03.IY(p, k);
  return rainfall_year != 0 ? rainfall_year : s.QREC01.IY(p, k);
}

}  // namespace flowplex
