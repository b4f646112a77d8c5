#pragma once
// The statistical-properties report of one gauge, written from its table: the pages on
// "SEQPROBE.ANS" (16), with the mass-curve plot, and the side files "SEQPROBE.PIN" (8)
// and "SEQPROBE.PN2" (9). Also the fields in which the report prints each number, for the
// other writers that print the same numbers.
#include <string_view>

#include "report/channel.hpp"
#include "report/layout.hpp"
#include "stats_test/results.hpp"

namespace flowplex {

void write_statistics_report(Channels& ch, const StatisticsResult& result);

// The line that stands for the report of a gauge whose historic file gave no year: there
// is no mean annual flow to measure its sequences against. The console says it too.
void write_not_tested(LineWriter& out, int gauge);

// The fields of a seven-value line of the report: its historical value and its seven
// simulated values.
struct SummaryFormats {
  FieldFormat historical;
  FieldFormat summary;
};
SummaryFormats summary_formats(std::string_view statistic);

// The fields of the report's other numbers.
struct StatisticsFormats {
  FieldFormat parameter_moment;   // mean and standard deviation of the parameter file
  FieldFormat parameter_model;    // phi, theta, AICc and ANC
  FieldFormat zero_flows;
  FieldFormat historical_moment;  // mean, sd, cv, skewness, lag-one autocorrelation
  FieldFormat record_length;
  FieldFormat simulation_moment;
  FieldFormat storage;            // % MAR
};
const StatisticsFormats& statistics_formats();

}  // namespace flowplex
