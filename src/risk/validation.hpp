#pragma once
// The validation summary of a slot: how many historical figures lie inside the band the
// realizations span from their 5 % to their 95 % value, in all and by kind, and which lie
// outside. It counts the seven-value lines of the statistics test (between their 5 % and
// 95 % columns), the drought, flow-duration and persistence figures and the validation
// figures (Hurst exponent, low-frequency share, L-moment ratios, SSI droughts); a figure
// that one side cannot give (a run longer than the record, a lag it cannot hold, a Hurst
// exponent of fewer than 32 years) is not counted. The kinds:
// - moments: the annual and monthly means and standard deviations;
// - persistence and long memory: the autocorrelations, the Hurst exponent, the low-frequency share;
// - distribution: the L-moment ratios;
// - droughts: the run sums, the deficit lines, the drought figures below Q80 and the SSI-12 figures;
// - flow duration: the flow-duration curve.
#include "risk/results.hpp"

namespace flowplex {

Validation validation_of(const StatisticsResult& test, const SlotRisk& risk);

// The share of the figures inside their band, in %; none without a figure.
std::optional<float> share_percent(const Validation& v);
std::optional<float> share_percent(const KindCount& c);

}  // namespace flowplex
