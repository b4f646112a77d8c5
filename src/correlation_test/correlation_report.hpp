#pragma once
// The monthly correlation page of the main report, written from its table.
#include "report/layout.hpp"
#include "report/writer.hpp"
#include "stats_test/results.hpp"

namespace flowplex {

void write_correlation_page(LineWriter& out, const CorrelationResult& result);

// The field in which the page prints a coefficient.
FieldFormat coefficient_format();

}  // namespace flowplex
