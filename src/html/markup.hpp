#pragma once
// Text and numbers as the page writes them: escaped text, chart coordinates and the
// numbers of the tables, which are the report's own figures.
#include <string>
#include <string_view>

namespace flowplex::html {

// Text made safe for an HTML element or attribute: markup characters escaped, control
// characters shown as '?', and bytes that are not UTF-8 read as Latin-1, which is how
// old parameter files spell accented names.
std::string escaped(std::string_view text);

// A chart coordinate: at most one decimal, no trailing zero. Callers pass finite values.
std::string coordinate(double value);
// The value coordinate(value) writes: a length between two written coordinates is the
// difference of their on_grid values, so that the shape ends exactly where it should.
double on_grid(double value);

// A number of a table as the report prints it in an Fw.d field, without the blanks in
// front; a field of no decimals drops the point the line printer shows ("12." is 12).
std::string report_number(double value, int width, int decimals);

}  // namespace flowplex::html
