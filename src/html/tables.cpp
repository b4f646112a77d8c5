#include "html/tables.hpp"

#include "html/markup.hpp"

namespace flowplex::html {
namespace {

void open_table(std::string& out, std::string_view caption, const std::vector<std::string>& headings,
                std::string_view css_class) {
  out += css_class.empty() ? "<table>" : "<table class=\"" + std::string(css_class) + "\">";
  out += "<caption>" + escaped(caption) + "</caption><thead><tr>";
  for (const std::string& h : headings) out += "<th scope=\"col\">" + escaped(h) + "</th>";
  out += "</tr></thead><tbody>";
}

void add_row(std::string& out, const std::vector<std::string>& cells) {
  out += "<tr>";
  for (std::size_t i = 0; i < cells.size(); ++i)
    out += i == 0 ? "<th scope=\"row\">" + escaped(cells[i]) + "</th>" : "<td>" + escaped(cells[i]) + "</td>";
  out += "</tr>\n";
}

}  // namespace

std::string summary_table(std::string_view caption, std::string_view key, const std::vector<SummaryTableRow>& rows,
                          bool with_mean) {
  std::vector<std::string> headings{std::string(key), "Historical"};
  if (with_mean) headings.emplace_back("Mean");
  for (const char* h : {"Maximum", "95 %", "75 %", "50 %", "25 %", "5 %", "Minimum"}) headings.emplace_back(h);
  std::vector<std::vector<std::string>> cells;
  for (const SummaryTableRow& row : rows) {
    std::vector<std::string> line{row.label, row.historical};
    if (with_mean) line.push_back(row.mean);
    line.insert(line.end(), row.seven.begin(), row.seven.end());
    cells.push_back(std::move(line));
  }
  return plain_table(caption, headings, cells);
}

std::string plain_table(std::string_view caption, const std::vector<std::string>& headings,
                        const std::vector<std::vector<std::string>>& rows, std::string_view css_class) {
  std::string out;
  open_table(out, caption, headings, css_class);
  for (const auto& row : rows) add_row(out, row);
  out += "</tbody></table>\n";
  return out;
}

}  // namespace flowplex::html
