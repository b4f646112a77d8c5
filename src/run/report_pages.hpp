#pragma once
// The line-printer pages of the analyses: the statistical-properties report on
// "SEQPROBE.ANS" (16) with its side files "SEQPROBE.PIN" (8) and "SEQPROBE.PN2" (9), and the
// monthly correlation pages on 16. One more writer of the analyses' tables, fed by the
// run as the CSV, NetCDF and HTML writers are.
#include "export/sink.hpp"
#include "report/channel.hpp"

namespace flowplex {

class ReportPages final : public RunSink {
 public:
  explicit ReportPages(Channels& ch) : ch_(ch) {}

  void not_tested(int gauge) override;
  void statistics(const StatisticsResult& result) override;
  void correlations(const CorrelationResult& result) override;

 private:
  Channels& ch_;
};

}  // namespace flowplex
