#pragma once
// Test 1 of the analysis menu: the historical figures of the gauge in slot k, then
// its statistical-properties test.
#include "stats_test/genar.hpp"
#include "store/store.hpp"

namespace flowplex {

// The historical figures of slot k from its NYHIST(k) years of HISTM, with the
// deficits measured against its mean annual flow.
HistoricalFigures historical_figures(const AnalysisInputs& s, int k);

// Test 1 of slot k, whose historic file gave at least one year (NYHIST(k) >= 1): its
// numbers, which the report writers print. The figures of the sequences are formed on up
// to `threads` threads.
StatisticsResult test1(const AnalysisInputs& s, int k, int threads);

}  // namespace flowplex
