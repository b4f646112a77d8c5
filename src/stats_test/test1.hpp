#pragma once
// Test 1 of the analysis menu: the historical figures of the gauge in slot k, then
// its statistical-properties report.
#include <optional>

#include "report/channel.hpp"
#include "report/console.hpp"
#include "stats_test/genar.hpp"
#include "store/store.hpp"

namespace flowplex {

// The historical figures of slot k from its NYHIST(k) years of HISTM, with the
// deficits measured against its mean annual flow; also copies the flows into HISTQ.
HistoricalFigures historical_figures(Store& s, int k);

// Prepares and writes test 1 for slot k and returns its numbers. A gauge whose historic
// file gave no year cannot be tested: one console line and one report line say so.
std::optional<StatisticsResult> prepare_test1(Store& s, Console& con, Channels& ch, int k);

}  // namespace flowplex
