#include "fit/records.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <string_view>

#include "report/layout.hpp"
#include "report/run_ended.hpp"

namespace flowplex::fit {
namespace {

// The series files hold months in F7.2 and annual totals in F9.2 fields.
constexpr double kLargestMonth = 9999.99;
constexpr double kSmallestMonth = -999.99;
constexpr double kLargestYear = 999999.99;
constexpr double kSmallestYear = -99999.99;
// The parameter file reader adds 1900 to earlier years, taking them for two-digit years.
constexpr int kEarliestYear = 1900;
constexpr std::size_t kNameLength = 40;

std::string trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\"");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\"");
  return std::string(text.substr(first, last - first + 1));
}

// Cells separated by commas; a cell in double quotes may hold commas.
std::vector<std::string> split_cells(std::string_view line) {
  std::vector<std::string> cells(1);
  bool quoted = false;
  for (const char c : line) {
    if (c == '"') quoted = !quoted;
    else if (c == ',' && !quoted) cells.emplace_back();
    else cells.back().push_back(c);
  }
  for (std::string& cell : cells) cell = trim(cell);
  return cells;
}

[[noreturn]] void refuse(const std::string& file, const std::string& what) {
  end_run(" *** RECORDS FILE " + file + ": " + what + " ***");
}

[[noreturn]] void refuse_line(const std::string& file, int line, const std::string& what) {
  refuse(file, "LINE " + std::to_string(line) + ": " + what);
}

// The stem names the gauge's series files: letters, digits, '_' and '-' only, and
// short enough to leave a blank after it inside the 40 characters of the name.
std::string safe_stem(std::string_view first_word) {
  std::string stem;
  for (const char c : first_word.substr(0, kNameLength - 1)) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
    stem.push_back(plain ? c : '_');
  }
  return stem;
}

GaugeColumn gauge_column(const std::string& header, const std::string& file, int column) {
  const std::string name = trim(header);
  if (name.empty()) refuse_line(file, 1, "COLUMN " + std::to_string(column) + " HAS NO GAUGE NAME");
  const auto blank = name.find_first_of(" \t");
  const std::string stem = safe_stem(std::string_view(name).substr(0, blank));
  std::string full = stem + (blank == std::string::npos ? std::string(" ") : name.substr(blank));
  for (char& c : full)
    if (c == '\t') c = ' ';
  full.resize(std::min(full.size(), kNameLength));
  return {full, stem};
}

// Stems that differ only in case would share files on a case-blind file system.
void refuse_clashing_stems(const std::vector<GaugeColumn>& gauges, const std::string& file) {
  std::map<std::string, std::size_t> seen;
  for (std::size_t g = 0; g < gauges.size(); ++g) {
    const auto [at, fresh] = seen.emplace(stem_key(gauges[g].stem), g);
    if (!fresh)
      refuse_line(file, 1, "GAUGES '" + trim(gauges[at->second].name) + "' AND '" + trim(gauges[g].name) +
                               "' SHARE THE FILE STEM " + gauges[g].stem);
  }
}

std::optional<double> parse_number(std::string_view cell) {
  double value = 0.0;
  if (!cell.empty() && cell.front() == '+') cell.remove_prefix(1);
  const auto [end, error] = std::from_chars(cell.data(), cell.data() + cell.size(), value);
  if (error != std::errc{} || end != cell.data() + cell.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

int parse_whole(const std::string& cell, const std::string& file, int line, std::string_view what) {
  const auto value = parse_number(cell);
  if (!value || *value != std::floor(*value) || std::abs(*value) > 1.0e6)
    refuse_line(file, line, std::string(what) + " '" + cell + "' IS NOT A WHOLE NUMBER");
  return static_cast<int>(*value);
}

// Every recorded value by gauge and by month counted from October of `first`.
struct MonthTable {
  int first = 0;
  int last = -1;  // hydrological years first..last
  std::vector<std::map<int, double>> values;  // per gauge: month index -> value
};

int month_index(int year, int month) {
  const int hydro_year = month >= 10 ? year : year - 1;
  const int m = month >= 10 ? month - 10 : month + 2;
  return 12 * hydro_year + m;
}

std::string month_text(int index) { return calendar_text(index / 12, index % 12); }

MonthTable read_table(std::istream& in, const std::string& file, std::size_t columns, double scale) {
  MonthTable table;
  table.values.resize(columns);
  std::string line;
  int number = 1;
  int lowest = std::numeric_limits<int>::max();
  int highest = std::numeric_limits<int>::min();
  while (std::getline(in, line)) {
    ++number;
    if (trim(line).empty()) continue;
    const std::vector<std::string> cells = split_cells(line);
    if (cells.size() > columns + 2)
      refuse_line(file, number, "MORE CELLS THAN THE HEADER HAS COLUMNS");
    const int year = parse_whole(cells[0], file, number, "YEAR");
    const int month = cells.size() > 1 ? parse_whole(cells[1], file, number, "MONTH") : 0;
    if (month < 1 || month > 12) refuse_line(file, number, "MONTH " + std::to_string(month) + " IS NOT 1 TO 12");
    const int index = month_index(year, month);
    lowest = std::min(lowest, index);
    highest = std::max(highest, index);
    for (std::size_t g = 0; g < columns; ++g) {
      const std::string& cell = g + 2 < cells.size() ? cells[g + 2] : std::string();
      if (cell.empty()) continue;
      const auto value = parse_number(cell);
      if (!value)
        refuse_line(file, number, "COLUMN " + std::to_string(g + 3) + " HOLDS '" + cell + "', NOT A NUMBER");
      if (!table.values[g].emplace(index, std::round(*value * scale * 100.0) / 100.0).second)
        refuse_line(file, number, "MONTH " + month_text(index) + " OCCURS TWICE");
    }
  }
  if (lowest > highest) refuse(file, "NO MONTHLY RECORDS BELOW THE HEADER");
  table.first = lowest / 12;
  table.last = highest / 12;
  return table;
}

bool year_complete(const MonthTable& table, int year) {
  for (const auto& gauge : table.values)
    for (int m = 0; m < 12; ++m)
      if (!gauge.contains(12 * year + m)) return false;
  return true;
}

// The first gauge and month not recorded in hydrological year `year`.
std::pair<std::size_t, int> first_missing(const MonthTable& table, int year) {
  for (int m = 0; m < 12; ++m)
    for (std::size_t g = 0; g < table.values.size(); ++g)
      if (!table.values[g].contains(12 * year + m)) return {g, 12 * year + m};
  return {0, 0};
}

struct KeptYears {
  int first = 0;
  int last = -1;
};

KeptYears kept_years(const MonthTable& table, const std::vector<GaugeColumn>& gauges, const std::string& file) {
  KeptYears kept;
  for (int y = table.first; y <= table.last; ++y)
    if (year_complete(table, y)) {
      if (kept.last < kept.first) kept.first = y;
      kept.last = y;
    }
  const int count = kept.last - kept.first + 1;
  if (count < kMinimumYears)
    refuse(file, std::to_string(std::max(count, 0)) + " COMPLETE HYDROLOGICAL YEARS (OCTOBER TO SEPTEMBER); AT LEAST " +
                     std::to_string(kMinimumYears) + " ARE NEEDED");
  for (int y = kept.first; y <= kept.last; ++y)
    if (!year_complete(table, y)) {
      const auto [g, index] = first_missing(table, y);
      refuse(file, "GAP IN THE RECORDS: GAUGE " + trim(gauges[g].name) + " HAS NO VALUE FOR " + month_text(index) +
                       ", BETWEEN THE COMPLETE YEARS " + std::to_string(kept.first) + " AND " +
                       std::to_string(kept.last));
    }
  if (kept.first < kEarliestYear)
    refuse(file, "HYDROLOGICAL YEAR " + std::to_string(kept.first) + " IS BEFORE " + std::to_string(kEarliestYear) +
                     ": THE SERIES FILES' YEARS WOULD BE READ AS TWO-DIGIT YEARS");
  return kept;
}

// The leading recorded months of the year after the last kept one. A later value
// after an unrecorded month would leave a hole in the forecasting start.
std::vector<double> current_months(const MonthTable& table, std::size_t g, int year, const GaugeColumn& gauge,
                                   const std::string& file) {
  std::vector<double> months;
  const auto& values = table.values[g];
  for (int m = 0; m < 12; ++m) {
    const auto at = values.find(12 * year + m);
    if (at == values.end()) break;
    months.push_back(at->second);
  }
  const auto later = values.lower_bound(12 * year + static_cast<int>(months.size()));
  if (later != values.end())
    refuse(file, "GAP IN THE RECORDS: GAUGE " + trim(gauge.name) + " HAS NO VALUE FOR " +
                     month_text(12 * year + static_cast<int>(months.size())) + " BUT HAS ONE FOR " +
                     month_text(later->first));
  return months;
}

void refuse_too_large(const std::string& file, const GaugeColumn& gauge, const std::string& when, double value,
                      std::string_view field) {
  const std::string shown = format_real(value, 24, 2);
  refuse(file, "GAUGE " + trim(gauge.name) + ", " + when + ": " + trim(shown) + " DOES NOT FIT THE " +
                   std::string(field) + " OF THE SERIES FILES; CHANGE THE UNIT WITH --scale (E.G. --scale 0.001)");
}

void check_field_widths(const Records& r, const std::string& file) {
  for (int g = 0; g < r.gauge_count(); ++g) {
    for (int y = 0; y < r.years; ++y) {
      for (int m = 0; m < 12; ++m) {
        const double v = r.month(g, y, m);
        if (v > kLargestMonth || v < kSmallestMonth)
          refuse_too_large(file, r.gauges[static_cast<std::size_t>(g)], month_text(12 * (r.first_year + y) + m), v,
                           "7-COLUMN MONTHLY FIELD");
      }
      const double a = r.annual(g, y);
      if (a > kLargestYear || a < kSmallestYear)
        refuse_too_large(file, r.gauges[static_cast<std::size_t>(g)], "YEAR " + std::to_string(r.first_year + y), a,
                         "9-COLUMN ANNUAL FIELD");
    }
    for (const double v : r.current[static_cast<std::size_t>(g)])
      if (v > kLargestMonth || v < kSmallestMonth)
        refuse_too_large(file, r.gauges[static_cast<std::size_t>(g)], "THE PART-RECORDED YEAR", v,
                         "7-COLUMN MONTHLY FIELD");
  }
}

std::vector<GaugeColumn> read_header(std::istream& in, const std::string& file) {
  std::string line;
  if (!std::getline(in, line)) refuse(file, "THE FILE IS EMPTY");
  const std::vector<std::string> cells = split_cells(line);
  if (cells.size() < 3) refuse_line(file, 1, "THE HEADER NEEDS year, month AND AT LEAST ONE GAUGE COLUMN");
  if (cells.size() - 2 > static_cast<std::size_t>(kMaxGauges))
    refuse_line(file, 1, std::to_string(cells.size() - 2) + " GAUGES; A RIVER SYSTEM HOLDS AT MOST " +
                             std::to_string(kMaxGauges));
  std::vector<GaugeColumn> gauges;
  for (std::size_t c = 2; c < cells.size(); ++c) gauges.push_back(gauge_column(cells[c], file, static_cast<int>(c + 1)));
  return gauges;
}

struct RawRecords {
  std::vector<GaugeColumn> gauges;
  MonthTable table;
};

RawRecords read_raw(const std::string& path, double scale) {
  std::ifstream in(path);
  if (!in) end_run(" *** CANNOT OPEN THE RECORDS FILE " + path + " ***");
  RawRecords raw;
  raw.gauges = read_header(in, path);
  raw.table = read_table(in, path, raw.gauges.size(), scale);
  return raw;
}

void fill_years(Records& r, const MonthTable& table) {
  r.monthly.assign(r.gauges.size(), std::vector<double>(static_cast<std::size_t>(12 * r.years)));
  for (std::size_t g = 0; g < r.gauges.size(); ++g)
    for (int i = 0; i < 12 * r.years; ++i) r.monthly[g][static_cast<std::size_t>(i)] = table.values[g].at(12 * r.first_year + i);
}

}  // namespace

std::string stem_key(std::string_view stem) {
  std::string key(stem);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

CalendarMonth calendar_month(int year, int m) { return m < 3 ? CalendarMonth{year, m + 10} : CalendarMonth{year + 1, m - 2}; }

std::string calendar_text(int year, int m) {
  const CalendarMonth c = calendar_month(year, m);
  return std::to_string(c.year) + "-" + (c.month < 10 ? "0" : "") + std::to_string(c.month);
}

double Records::annual(int g, int y) const {
  long double sum = 0.0L;
  for (int m = 0; m < 12; ++m) sum += month(g, y, m);
  return static_cast<double>(sum);
}

std::vector<double> Records::annual_series(int g) const {
  std::vector<double> a(static_cast<std::size_t>(years));
  for (int y = 0; y < years; ++y) a[static_cast<std::size_t>(y)] = annual(g, y);
  return a;
}

Records read_records(const std::string& path, double scale) {
  RawRecords raw = read_raw(path, scale);
  refuse_clashing_stems(raw.gauges, path);
  Records r;
  r.source = path;
  r.gauges = raw.gauges;
  KeptYears kept = kept_years(raw.table, r.gauges, path);
  for (std::size_t g = 0; g < r.gauges.size(); ++g)
    r.current.push_back(current_months(raw.table, g, kept.last + 1, r.gauges[g], path));
  if (kept.last - kept.first + 1 > kMaxYears) {
    r.notes.push_back("THE " + std::to_string(kept.last - kept.first + 1 - kMaxYears) + " EARLIEST COMPLETE YEARS (" +
                      std::to_string(kept.first) + " ON) ARE LEFT OUT: A RIVER SYSTEM HOLDS AT MOST " +
                      std::to_string(kMaxYears) + " YEARS");
    kept.first = kept.last - kMaxYears + 1;
  }
  r.first_year = kept.first;
  r.years = kept.last - kept.first + 1;
  fill_years(r, raw.table);
  check_field_widths(r, path);
  return r;
}

Records read_matching_records(const std::string& path, double scale, const Records& records) {
  RawRecords raw = read_raw(path, scale);
  if (raw.gauges.size() != records.gauges.size())
    refuse_line(path, 1, std::to_string(raw.gauges.size()) + " GAUGE COLUMNS WHERE THE FLOW RECORDS HAVE " +
                             std::to_string(records.gauges.size()));
  for (std::size_t g = 0; g < raw.gauges.size(); ++g)
    if (stem_key(raw.gauges[g].stem) != stem_key(records.gauges[g].stem))
      refuse_line(path, 1, "COLUMN " + std::to_string(g + 3) + " IS " + raw.gauges[g].stem + " WHERE THE FLOW RECORDS HAVE " +
                               records.gauges[g].stem);
  for (int y = records.first_year; y < records.first_year + records.years; ++y)
    if (!year_complete(raw.table, y)) {
      const auto [g, index] = first_missing(raw.table, y);
      refuse(path, "GAUGE " + trim(records.gauges[g].name) + " HAS NO VALUE FOR " + month_text(index) +
                       ", A MONTH OF THE FLOW RECORDS' YEARS");
    }
  Records r;
  r.source = path;
  r.gauges = records.gauges;
  r.first_year = records.first_year;
  r.years = records.years;
  r.current.assign(r.gauges.size(), {});
  fill_years(r, raw.table);
  check_field_widths(r, path);
  return r;
}

}  // namespace flowplex::fit
