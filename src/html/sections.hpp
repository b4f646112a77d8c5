#pragma once
// The sections of the page, one per analysis, in the order of the report: the charts of a
// test and, under each, the table of the numbers it draws as the report prints them.
#include <string>

#include "stats_test/results.hpp"

namespace flowplex::html {

// The heading of a section, as the page's contents list names it.
std::string statistics_heading(const StatisticsResult& result);
std::string correlation_heading(const CorrelationResult& result);

// A section as HTML; id is its anchor, unique on the page.
std::string statistics_section(const StatisticsResult& result, int id);
std::string correlation_section(const CorrelationResult& result, int id);

}  // namespace flowplex::html
