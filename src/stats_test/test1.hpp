#pragma once
// Test 1 of the analysis menu: the historical figures of the gauge in slot k, then
// its statistical-properties test and report.
#include <optional>

#include "report/channel.hpp"
#include "report/console.hpp"
#include "stats_test/genar.hpp"
#include "store/store.hpp"

namespace flowplex {

// The historical figures of slot k from its NYHIST(k) years of HISTM, with the
// deficits measured against its mean annual flow.
HistoricalFigures historical_figures(const Store& s, int k);

// Makes test 1 for slot k, writes its report and returns its numbers. A gauge whose
// historic file gave no year cannot be tested: one console line and one report line say so.
std::optional<StatisticsResult> prepare_test1(const Store& s, Console& con, Channels& ch, int k, int threads);

}  // namespace flowplex
