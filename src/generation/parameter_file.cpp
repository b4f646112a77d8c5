#include "generation/parameter_file.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "generation/disaggregation.hpp"
#include "generation/series_file.hpp"
#include "report/input.hpp"
#include "report/run_ended.hpp"
#include "store/option.hpp"

namespace flowplex {
namespace {

// Matrix rows: fields of 12 columns with 6 implied decimals, 10 to a line.
const Layout kMatrixLine{R"(10F12.6)"};
constexpr int kMatrixFieldsPerLine = 10;

constexpr std::array<std::string_view, kSeriesTypes> kSeriesBanners{
    "READING INCREMENTAL STREAMFLOW FILES", "READING RANKED STREAMFLOW FILES", "READING RAINFALL FILES",
    "READING AFFORESTATION FILES", "READING IRRIGATION FILES"};

// Two-digit record years belong to the twentieth century.
int record_year(int year) { return year < 1900 ? year + 1900 : year; }

// Stored only once it is known to fit, so that a check going on after it reads no
// gauge the store cannot hold.
void read_gauge_count(RiverSystem& s, LineReader& in) {
  int count = 0;
  read_group(in, "NUMBER OF GAUGES", {&count});
  if (count < 1 || count > kMaxGauges)
    in.fail("NUMBER OF GAUGES " + std::to_string(count) + " IS NOT 1 TO " + std::to_string(kMaxGauges));
  s.PARM.NGAUGE = count;
}

// A negative count means no key gauges. The count is stored last, so that a check
// going on after a faulty key gauge finds no key gauge that is not one.
void read_key_gauges(RiverSystem& s, LineReader& in) {
  FreeGroup group(in, "KEY GAUGES");
  int count = 0;
  group.next(count);
  if (count > kMaxKeys) in.fail("NUMBER OF KEY GAUGES " + std::to_string(count) + " IS ABOVE " + std::to_string(kMaxKeys));
  for (int i = 1; i <= count; ++i) {
    int& key = s.DSBASE.KEYG(i);
    group.next(key);
    if (key < 1 || key > s.PARM.NGAUGE)
      in.fail("KEY GAUGE " + std::to_string(key) + " IS NOT A GAUGE NUMBER 1 TO " + std::to_string(s.PARM.NGAUGE));
  }
  group.finish();
  s.DSBASE.NKEY = count;
}

// Gauge g's records; true when its record period was read, which the common period
// and the series files need.
bool read_gauge_records(RiverSystem& s, LineReader& in, Faults& faults, int g) {
  in.record(faults, [&] { s.PARM.GNAME(g).assign(in.need("GAUGE NAME")); });
  int first_year = 0;
  const bool period = in.record(faults, [&] {
    read_group(in, "RECORD PERIOD AND STARTING VALUES",
               {&s.ANDATA.NYEARS(g), &first_year, &s.ANN.E1START(g), &s.ANN.Y1START(g), &s.ANN.E2START(g),
                &s.ANN.Y2START(g)});
  });
  s.ANDATA.IYSTART(g) = record_year(first_year);
  in.record(faults, [&] {
    read_group(in, "TRANSFORM", {&s.ANN.ITRANS(g), &s.ANN.TPAR1(g), &s.ANN.TPAR2(g), &s.ANN.TPAR3(g), &s.ANN.TPAR4(g)});
  });
  in.record(faults, [&] {
    read_group(in, "ANNUAL MODEL",
               {&s.ANN.AMEAN(g), &s.ANN.ASD(g), &s.GSUB.PHI(1, g), &s.GSUB.PHI(2, g), &s.GSUB.THETA(1, g),
                &s.GSUB.THETA(2, g), &s.GSUB.P0(g), &s.GSUB.IZERO(g)});
  });
  in.record(faults, [&] {
    read_group(in, "HISTORICAL STATISTICS",
               {&s.GSUB.HSTAT1(g), &s.GSUB.HSTAT2(g), &s.GSUB.HSTAT3(g), &s.GSUB.HSTAT4(g)});
  });
  in.record(faults, [&] { in.skip_text("SEPARATOR LINE"); });
  return period;
}

// The common period is the overlap of every gauge's record period, at most 200 years.
// Folded in wide integers so that absurd record lengths cannot overflow.
struct CommonPeriod {
  long long start = 0;
  long long end = 999999;
  long long length = kMaxYears;

  void fold(int first_year, int years) {
    start = std::max<long long>(start, first_year);
    end = std::min<long long>(end, static_cast<long long>(first_year) + years - 1);
    length = std::min(length, end - start + 1);
  }
};

// Every gauge's records and the common period; true when the common period is known.
// A record period that could not be read leaves it unknown (and its overlap untested).
// Where a check finds the file ended early, the gauges are those before the end.
bool read_gauges(RiverSystem& s, Console& con, LineReader& in, Faults& faults) {
  CommonPeriod common;
  bool periods = true;
  for (int g = 1; g <= s.PARM.NGAUGE; ++g) {
    periods = read_gauge_records(s, in, faults, g) && periods;
    if (in.ended()) {
      s.PARM.NGAUGE = g - 1;
      return false;
    }
    common.fold(s.ANDATA.IYSTART(g), s.ANDATA.NYEARS(g));
    con.free(" STOCHASTICS OF GAUGE ", s.PARM.GNAME(g));
    con.free(" BASED ON ", s.ANDATA.NYEARS(g), " YEARS ");
  }
  if (!periods) return false;
  return in.record(faults, [&] {
    if (common.length < 1)
      in.fail("THE RECORD PERIODS OF THE GAUGES DO NOT OVERLAP (COMMON PERIOD OF " + std::to_string(common.length) +
              " YEARS)");
    s.PARM.ISTART = static_cast<int>(common.start);
    s.PARM.IEND = static_cast<int>(common.end);
    s.PARM.NCOMMON = static_cast<int>(common.length);
  });
}

void report_common_period(const RiverSystem& s, Console& con) {
  con.free(" ");
  con.free(" OVER LAPPING HYDROLOGICAL PERIOD");
  con.free(" Start year           :", s.PARM.ISTART);
  con.free(" End year             :", s.PARM.ISTART + s.PARM.NCOMMON - 1);
  con.free(" Common period length :", s.PARM.NCOMMON);
  con.free(" ");
}

// Row g fills elements (g, 1) to (g, NGAUGE); a row longer than ten values runs on
// over further lines.
void read_matrix(const RiverSystem& s, LineReader& in, Faults& faults, Arr<double, kMaxGauges, kMaxGauges>& matrix,
                 std::string_view what) {
  const int n = s.PARM.NGAUGE;
  std::array<double, kMatrixFieldsPerLine> fields{};
  for (int g = 1; g <= n; ++g) {
    for (int first = 1; first <= n; first += kMatrixFieldsPerLine) {
      const int count = std::min(kMatrixFieldsPerLine, n - first + 1);
      in.record(faults, [&] {
        in.read_fixed(kMatrixLine, std::span(fields).first(static_cast<std::size_t>(count)), what);
        for (int j = 0; j < count; ++j) matrix(g, first + j) = fields[static_cast<std::size_t>(j)];
      });
    }
  }
}

void read_matrices(RiverSystem& s, LineReader& in, Faults& faults) {
  in.record(faults, [&] { in.skip_text("HEADING OF CMAT1"); });
  read_matrix(s, in, faults, s.ANN.CMAT1, "ROW OF CMAT1");
  const std::array<std::pair<Arr<double, kMaxGauges, kMaxGauges>*, std::string_view>, 4> later{
      {{&s.ANN.CMAT2, "CMAT2"}, {&s.ANN.CMAT3, "CMAT3"}, {&s.ANN.CMAT4, "CMAT4"}, {&s.ANN.CMAT5, "CMAT5"}}};
  for (const auto& [matrix, name] : later) {
    const std::string heading = "HEADING OF " + std::string(name);
    in.record(faults, [&] {
      in.skip_text(heading);
      in.skip_text(heading);
    });
    read_matrix(s, in, faults, *matrix, "ROW OF " + std::string(name));
  }
}

// True when the names and record periods of the gauges came whole, so that their
// series files can be found and read. Without the number of gauges nothing else can
// be read: a fault there ends the file even in a check.
bool read_parameter_file(RiverSystem& s, Console& con, Faults& faults) {
  LineReader in(trimmed_name(s.PARM.PARMFILE.view()), "PARAMETER FILE", s.FOLDER);
  read_gauge_count(s, in);
  in.record(faults, [&] { s.PARM.TITLE.assign(in.need("TITLE LINE")); });
  in.record(faults, [&] { read_key_gauges(s, in); });
  in.record(faults, [&] { in.skip_text("TEXT LINE"); });
  const bool periods = read_gauges(s, con, in, faults);
  if (periods) report_common_period(s, con);
  read_matrices(s, in, faults);
  return periods;
}

void read_series_files(RiverSystem& s, Console& con, Faults& faults, int threads) {
  for (int type = 1; type <= kSeriesTypes; ++type) {
    con.text("");
    con.free(kSeriesBanners[static_cast<std::size_t>(type - 1)]);
    readin(s, con, s.qrec(type), type, faults, threads);
  }
  con.free("READING OF FILES COMPLETED ");
}

// The first stored position of gauge k whose year is not in its ranked record, or 0.
int position_missing_from_ranks(const RiverSystem& s, int k) {
  for (int p = 1; p <= s.NREC(k); ++p) {
    const int year = stored_year(s, p, k);
    bool found = false;
    for (int i = 1; i <= s.NREC(k) && !found; ++i) found = s.QREC02.IY(i, k) == year;
    if (!found) return p;
  }
  return 0;
}

std::string cannot_disaggregate(const RiverSystem& s, int k, const std::string& why) {
  return " *** GAUGE " + std::to_string(k) + " (" + trimmed_name(s.PARM.GNAME(k).view()) + ")" + why +
         ": ITS FLOWS CANNOT BE SPLIT INTO MONTHS ***";
}

// Whether gauge k's incremental record is read by the option: the bootstrap draws every
// gauge's years from it; the rigorous years take the key gauges' annual flows (for the
// nearest-year search) and those of gauges without an annual model from it. The
// forecasting mode does not read it.
bool needs_incremental_record(const RiverSystem& s, int IOPT, int k) {
  const GenerationOption option(IOPT);
  if (option.forecasting()) return false;
  if (option.bootstrap() || s.ANN.ITRANS(k) == 0) return true;
  for (int i = 1; i <= s.DSBASE.NKEY; ++i)
    if (s.DSBASE.KEYG(i) == k) return true;
  return false;
}

// Without its file a gauge's incremental years read as zeros, which would pass for flows.
std::optional<std::string> incremental_fault(const RiverSystem& s, int IOPT, int k) {
  if (!needs_incremental_record(s, IOPT, k) || s.QREC01.IY(1, k) != 0) return std::nullopt;
  return " *** GAUGE " + std::to_string(k) + " (" + trimmed_name(s.PARM.GNAME(k).view()) +
         ") HAS NO INCREMENTAL STREAMFLOW RECORD: ITS YEARS CANNOT BE DRAWN ***";
}

// The bootstrap and the forecasting mode do not disaggregate.
std::optional<std::string> disaggregation_fault(const RiverSystem& s, int IOPT, int k) {
  if (!GenerationOption(IOPT).disaggregates()) return std::nullopt;
  if (s.NREC(k) == 0 || s.QREC02.IY(1, k) == 0) return cannot_disaggregate(s, k, " HAS NO RANKED STREAMFLOW RECORD");
  if (stored_year(s, 1, k) == 0)
    return cannot_disaggregate(s, k, " HAS NEITHER A RAINFALL NOR AN INCREMENTAL RECORD TO DATE ITS YEARS");
  if (const int p = position_missing_from_ranks(s, k))
    return cannot_disaggregate(s, k, ": YEAR " + std::to_string(stored_year(s, p, k)) + " IS NOT IN ITS RANKED STREAMFLOW RECORD");
  return std::nullopt;
}

}  // namespace

void anread(RiverSystem& s, Console& con, Faults& faults, int threads) {
  con.free(" opening parameter transfer file: ", s.PARM.PARMFILE);
  bool periods = false;
  faults.carry_on([&] { periods = read_parameter_file(s, con, faults); });
  if (!periods) return;
  read_series_files(s, con, faults, threads);
  fit_regressions(s);
  index_ranked_records(s);
}

std::optional<std::string> generation_fault(const RiverSystem& s, int IOPT, int k) {
  if (auto why = incremental_fault(s, IOPT, k)) return why;
  return disaggregation_fault(s, IOPT, k);
}

// Every gauge's incremental record is tested before any gauge's disaggregation.
void check_for_generation(const RiverSystem& s, int IOPT) {
  for (int k = 1; k <= s.PARM.NGAUGE; ++k)
    if (auto why = incremental_fault(s, IOPT, k)) end_run(*why);
  for (int k = 1; k <= s.PARM.NGAUGE; ++k)
    if (auto why = disaggregation_fault(s, IOPT, k)) end_run(*why);
}

}  // namespace flowplex
