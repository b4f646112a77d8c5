#pragma once
// One generated sequence of every gauge as the exports write it: the monthly flows in
// single precision, time by time with the gauges side by side, the calendar year each
// generated year was built from, and the generator's state at the sequence's start.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "store/generator_state.hpp"
#include "store/river_system.hpp"

namespace flowplex {

struct GeneratedSequence {
  int number = 0;  // 1 to 41
  int NGAUGE = 0;
  int NYS = 0;
  std::vector<float> flow;  // (gauge, month, year), gauge fastest: flow(realization, time, station) of one realization
  std::vector<std::optional<int>> index_year;  // by year; none in forecasting mode
  std::array<int, 3> start_state{};            // IX, IY, IZ

  float at(int g, int m, int y) const {
    return flow[static_cast<std::size_t>(((y - 1) * kMonths + (m - 1)) * NGAUGE + (g - 1))];
  }
  // Gauge g's twelve months of year y summed in extended precision, stored in single
  // precision, as the annual totals of the chosen gauges are.
  float annual(int g, int y) const;
  // "THE FLOW OF GAUGE g, SEQUENCE s, YEAR y, MONTH m IS NOT A FINITE NUMBER" for the
  // first such flow; nothing when every flow is finite.
  std::optional<std::string> first_not_finite() const;
};

// Collects a sequence year by year from the generator's output.
class SequenceCollector {
 public:
  void begin(const RiverSystem& river, int NYS, int seq);
  void year_made(const RiverSystem& river, const GeneratorState& state, int y);
  // The finished sequence, handed over; the collector starts afresh with the next begin.
  std::shared_ptr<const GeneratedSequence> end(const GeneratorState& state);

 private:
  std::shared_ptr<GeneratedSequence> current_;
};

}  // namespace flowplex
