#include "library/kept_flows.hpp"

namespace flowplex {

void keep_flows(const RunState& run, std::span<const float> flow, int NGAUGE, FlowBlock& kept, int seq) {
  for (int k = 1; k <= run.NSEL; ++k) {
    const int g = run.IGLIST(k);
    for (int y = 1; y <= run.NYS; ++y)
      for (int m = 1; m <= kMonths; ++m)
        kept.FLOW(m, y, seq, k) = flow[static_cast<std::size_t>(((y - 1) * kMonths + (m - 1)) * NGAUGE + (g - 1))];
  }
}

void annual_totals(const RunState& run, FlowBlock& kept) {
  for (int k = 1; k <= run.NSEL; ++k)
    for (int seq = 1; seq <= kSequences; ++seq)
      for (int y = 1; y <= run.NYS; ++y) {
        long double sum = 0.0L;
        for (int m = 1; m <= kMonths; ++m) sum += kept.FLOW(m, y, seq, k);
        kept.FLOWYR(y, seq, k) = static_cast<float>(sum);
      }
}

}  // namespace flowplex
