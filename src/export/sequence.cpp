#include "export/sequence.hpp"

#include <algorithm>
#include <cmath>

namespace flowplex {

float GeneratedSequence::annual(int g, int y) const {
  long double sum = 0.0L;
  for (int m = 1; m <= kMonths; ++m) sum += at(g, m, y);
  return static_cast<float>(sum);
}

void SequenceCollector::begin(const RiverSystem& river, int NYS, int seq) {
  current_ = std::make_shared<GeneratedSequence>();
  GeneratedSequence& q = *current_;
  q.number = seq;
  q.NGAUGE = river.PARM.NGAUGE;
  q.NYS = NYS;
  q.flow.resize(static_cast<std::size_t>(kMonths) * q.NYS * q.NGAUGE);
  q.index_year.resize(static_cast<std::size_t>(q.NYS));
}

void SequenceCollector::year_made(const RiverSystem& river, const GeneratorState& state, int y) {
  GeneratedSequence& q = *current_;
  float* row = q.flow.data() + static_cast<std::size_t>((y - 1) * kMonths) * q.NGAUGE;
  for (int m = 1; m <= kMonths; ++m, row += q.NGAUGE)
    for (int g = 1; g <= q.NGAUGE; ++g) row[g - 1] = static_cast<float>(state.STOQ.QMONTH(g, m));
  // A year built from no historical year (the forecasting mode) has no index year.
  if (state.STOQ.IYUSED != 0) q.index_year[static_cast<std::size_t>(y - 1)] = river.PARM.ISTART + state.STOQ.IYUSED - 1;
}

std::shared_ptr<const GeneratedSequence> SequenceCollector::end(const GeneratorState& state) {
  const StdatBlock& stream = state.STDAT;
  current_->start_state = {stream.ISEQSTART(1), stream.ISEQSTART(2), stream.ISEQSTART(3)};
  return std::move(current_);
}

std::optional<std::string> GeneratedSequence::first_not_finite() const {
  const auto bad = std::find_if(flow.begin(), flow.end(), [](float q) { return !std::isfinite(q); });
  if (bad == flow.end()) return std::nullopt;
  const auto at = static_cast<int>(bad - flow.begin());
  const int g = at % NGAUGE + 1, m = at / NGAUGE % kMonths + 1, y = at / (NGAUGE * kMonths) + 1;
  return "THE FLOW OF GAUGE " + std::to_string(g) + ", SEQUENCE " + std::to_string(number) + ", YEAR " +
         std::to_string(y) + ", MONTH " + std::to_string(m) + " IS NOT A FINITE NUMBER";
}

}  // namespace flowplex
