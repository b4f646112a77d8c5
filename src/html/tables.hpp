#pragma once
// The tables under the charts: the numbers each chart draws, as the report prints them,
// for a reader without the picture and for a screen reader.
#include <string>
#include <string_view>
#include <vector>

namespace flowplex::html {

// One row of a seven-value table, its numbers already written as the report prints them.
struct SummaryTableRow {
  std::string label;
  std::string historical;
  std::string mean;                // left out of tables without a mean column
  std::vector<std::string> seven;  // maximum, 95 %, 75 %, 50 %, 25 %, 5 %, minimum
};

// A table of seven-value lines; key is the heading of the label column.
std::string summary_table(std::string_view caption, std::string_view key, const std::vector<SummaryTableRow>& rows,
                          bool with_mean);

// A plain table: a caption, a row of column headings and rows of cells, each row's first
// cell being the row's heading; css_class names its look where it differs.
std::string plain_table(std::string_view caption, const std::vector<std::string>& headings,
                        const std::vector<std::vector<std::string>>& rows, std::string_view css_class = {});

}  // namespace flowplex::html
