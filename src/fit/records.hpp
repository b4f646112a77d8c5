#pragma once
// Monthly gauge records read from a CSV file (`year,month,` then one column per gauge)
// and regrouped into hydrological years, October to September, each labelled by the
// calendar year of its October.
#include <string>
#include <string_view>
#include <vector>

#include "store/store.hpp"

namespace flowplex::fit {

struct GaugeColumn {
  std::string name;  // as the parameter file carries it: the stem, then the rest of the header
  std::string stem;  // the first word, made safe for a file name
};

// The kept years of every gauge: consecutive hydrological years in which all twelve
// months of every gauge are recorded. Values are scaled and rounded to the hundredths
// the series files carry, so that the fit sees exactly what the generator will read.
struct Records {
  std::string source;
  std::vector<GaugeColumn> gauges;
  int first_year = 0;  // label of the first kept year
  int years = 0;
  // monthly[g][12 * y + m]: gauge g, kept year y (0 first), month m (0 = October).
  std::vector<std::vector<double>> monthly;
  // current[g]: the recorded months of the year after the last kept one, October on,
  // up to the first month not recorded.
  std::vector<std::vector<double>> current;
  std::vector<std::string> notes;  // what was left out, for the fit report

  int gauge_count() const { return static_cast<int>(gauges.size()); }
  double month(int g, int y, int m) const { return monthly[g][static_cast<std::size_t>(12 * y + m)]; }
  double annual(int g, int y) const;
  std::vector<double> annual_series(int g) const;
};

// A stem as a file system blind to case sees it: two gauges whose stems have the same
// key would share files, and a stem given by the user names the gauge of that key.
std::string stem_key(std::string_view stem);

// Hydrological years need at least this many complete years to be fitted.
inline constexpr int kMinimumYears = 15;

// Reads the records file, multiplying every value by scale. Every refusal (a file that
// cannot be read, a cell that is not a number, a gap inside the kept years, too few
// years, clashing stems, a value too large for the series files) ends the run with a
// message naming the file, the line or gauge and what is wrong.
Records read_records(const std::string& path, double scale);

// Reads a second file of the same layout (rainfall) for the gauges and kept years of
// records, in the same order of columns.
Records read_matching_records(const std::string& path, double scale, const Records& records);

// The calendar (year, month) of hydrological year `year`, month m (0 = October).
struct CalendarMonth {
  int year;
  int month;
};
CalendarMonth calendar_month(int year, int m);
// The same as text, "YYYY-MM".
std::string calendar_text(int year, int m);

}  // namespace flowplex::fit
