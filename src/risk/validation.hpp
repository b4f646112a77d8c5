#pragma once
// The validation summary of a slot: how many historical figures lie inside the band the
// realizations span from their 5 % to their 95 % value. It counts the drought,
// flow-duration and persistence figures, and the seven-value lines of the statistics
// test (between their 5 % and 95 % columns); a figure that one side cannot give (a run
// longer than the record, a lag it cannot hold) is not counted.
#include "risk/results.hpp"

namespace flowplex {

Validation validation_of(const StatisticsResult& test, const SlotRisk& risk);

// The share of the figures inside their band, in %; none without a figure.
std::optional<float> share_percent(const Validation& v);

}  // namespace flowplex
