#pragma once
// Realization k of a river system, or a range of them: every gauge's monthly flows as the
// single-precision values the exports hold, the calendar year each generated year was
// built from, and the random generator's state at the realization's start. Realization k
// depends on the river system, the option, the years and k alone, whatever the range
// that holds it or the threads that make it: bit for bit what the command line makes.
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "flowplex/river_system.hpp"
#include "flowplex/year_hook.hpp"

namespace flowplex::api {

// The approaches of `run --option`.
enum class Option { rigorous, bootstrap, forecast };

// "rigorous", "bootstrap" or "forecast"; anything else throws RequestError.
Option option_named(std::string_view name);
std::string_view option_name(Option option);

inline constexpr int kMaxYears = 200;            // stochastic years per realization
inline constexpr int kMonthsPerYear = 12;        // October first
inline constexpr int kMaxRealizations = 1'000'000;
// The index year of a year built from no historical year (the forecasting mode): the
// NetCDF export's fill value.
inline constexpr int kNoIndexYear = -2147483647;

// One realization of every gauge.
struct Realization {
  int number = 0;  // k
  int NGAUGE = 0;
  int NYS = 0;
  // (year, month, gauge), gauge fastest: the NetCDF flow(realization, time, station) of one
  // realization.
  std::vector<float> flow;
  std::vector<std::optional<int>> index_year;  // by year; none in forecasting mode
  std::array<int, 3> start_state{};            // IX, IY, IZ
  std::string console;  // the generator's console lines ("Start Random Numbers ...")

  float at(int g, int m, int y) const {
    return flow[static_cast<std::size_t>(((y - 1) * kMonthsPerYear + (m - 1)) * NGAUGE + (g - 1))];
  }
  // Gauge g's twelve months of year y summed in extended precision, stored in single
  // precision, as the reports' annual totals are.
  float annual(int g, int y) const;
  // "THE FLOW OF GAUGE g, SEQUENCE s, YEAR y, MONTH m IS NOT A FINITE NUMBER" for the
  // first such flow; nothing when every flow is finite.
  std::optional<std::string> first_not_finite() const;
};

struct GenerationRequest {
  Option option = Option::rigorous;
  int years = 0;       // 1 to 200
  int first = 1;       // the realizations first to last
  int last = 41;
  int threads = 1;     // realizations made side by side; the results do not depend on it
  std::stop_token stop;  // checked once per realization: a stop throws Stopped
  const YearHook* hook = nullptr;  // acts between each year's annual flows and its months
};

// The caller's own arrays for a range: flow holds (realization, year, month, gauge), gauge
// fastest, count × years × 12 × NGAUGE values; index_year (realization, year) with
// kNoIndexYear where there is none; start_state (realization, 3). Each realization's
// thread writes its own part of them directly.
struct RealizationBuffer {
  std::span<float> flow;
  std::span<int> index_year;
  std::span<int> start_state;
};

// Realization k alone. Where a key gauge has no annual model, each realization carries on
// from the one before, so realization k is made after 1 to k - 1, as the command line does.
Realization make_realization(const RiverSystem& system, Option option, int years, int k,
                             const YearHook* hook = nullptr);

// Every realization of the request, handed to `made` on the calling thread in order of k.
void generate(const RiverSystem& system, const GenerationRequest& request,
              const std::function<void(Realization&&)>& made);

// Every realization of the request, in order of k.
std::vector<Realization> make_realizations(const RiverSystem& system, const GenerationRequest& request);

// Every realization of the request into the caller's buffer, which must be of the sizes
// above (RequestError otherwise). Returns the console lines of every realization in order.
std::vector<std::string> make_realizations(const RiverSystem& system, const GenerationRequest& request,
                                           const RealizationBuffer& into);

// Throws RequestError, naming the argument and the command line's limit, unless the
// request is one the command line takes.
void check_request(const GenerationRequest& request);

}  // namespace flowplex::api
