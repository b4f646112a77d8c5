#include "flowplex/generation.hpp"

#include <algorithm>
#include <cmath>

#include "generation/parameter_file.hpp"
#include "library/faults.hpp"
#include "library/options.hpp"
#include "library/realization_maker.hpp"

namespace flowplex::api {
namespace {

// The blocks the option generates from, checked for it.
const flowplex::RiverSystem& blocks_for(const RiverSystem& system, Option option) {
  const flowplex::RiverSystem& blocks = option == Option::forecast ? system.forecasting() : system.blocks();
  as_input_errors([&] { check_for_generation(blocks, generation_option(option).IOPT()); });
  return blocks;
}

std::size_t count_of(const GenerationRequest& r) { return static_cast<std::size_t>(r.last - r.first + 1); }

// Makes the request's realizations in order, each into `into(k)` or flows of its own, and
// hands each on; the first fault leaves as the library's own.
void make_each(const RiverSystem& system, const GenerationRequest& request, bool keep_flows,
               const std::function<std::optional<RealizationView>(int)>& into,
               const std::function<void(int, MadeRealization&&)>& made) {
  check_request(request);
  const flowplex::RiverSystem& blocks = blocks_for(system, request.option);
  RealizationMaker maker(blocks, {generation_option(request.option), request.years, request.hook, request.stop});
  as_input_errors([&] {
    const auto keep = [&](int) { return keep_flows; };
    make_in_order(maker, request.first, request.last, request.threads, keep, into, [&](int k, MadeRealization&& m) {
      if (m.fault) std::rethrow_exception(m.fault);
      if (k >= request.first) made(k, std::move(m));
    });
  });
}

}  // namespace

GenerationOption generation_option(Option option) {
  switch (option) {
    case Option::bootstrap:
      return GenerationOption(kBootstrap);
    case Option::forecast:
      return GenerationOption(kForecasting);
    case Option::rigorous:
      break;
  }
  return GenerationOption(kRigorous);
}

Option option_named(std::string_view name) {
  for (const Option option : {Option::rigorous, Option::bootstrap, Option::forecast})
    if (option_name(option) == name) return option;
  throw RequestError("option: \"" + std::string(name) + "\" is not one of rigorous, bootstrap, forecast");
}

std::string_view option_name(Option option) {
  return generation_option(option).texts()->command;
}

void check_request(const GenerationRequest& r) {
  if (r.years < 1 || r.years > kMaxYears)
    throw RequestError("years: " + std::to_string(r.years) + " is outside 1 to " + std::to_string(kMaxYears));
  if (r.first < 1 || r.last < r.first || r.last > kMaxRealizations)
    throw RequestError("realizations: " + std::to_string(r.first) + "-" + std::to_string(r.last) +
                       " is not a range A-B with 1 <= A <= B <= " + std::to_string(kMaxRealizations));
  if (r.threads < 1) throw RequestError("threads: " + std::to_string(r.threads) + " is not a whole number of 1 or more");
}

void generate(const RiverSystem& system, const GenerationRequest& request,
              const std::function<void(Realization&&)>& made) {
  make_each(system, request, true, {}, [&](int, MadeRealization&& m) {
    m.flows->console = std::move(m.console);
    made(std::move(*m.flows));
  });
}

std::vector<Realization> make_realizations(const RiverSystem& system, const GenerationRequest& request) {
  check_request(request);
  std::vector<Realization> all;
  all.reserve(count_of(request));
  generate(system, request, [&](Realization&& r) { all.push_back(std::move(r)); });
  return all;
}

std::vector<std::string> make_realizations(const RiverSystem& system, const GenerationRequest& request,
                                           const RealizationBuffer& into) {
  check_request(request);
  const std::size_t count = count_of(request);
  const std::size_t months = static_cast<std::size_t>(request.years) * kMonthsPerYear;
  const std::size_t gauges = static_cast<std::size_t>(system.blocks().PARM.NGAUGE);
  if (into.flow.size() != count * months * gauges || into.index_year.size() != count * request.years ||
      into.start_state.size() != count * 3)
    throw RequestError("buffer: its arrays do not hold " + std::to_string(count) + " realizations of " +
                       std::to_string(request.years) + " years of " + std::to_string(gauges) + " gauges");
  std::vector<std::string> console;
  console.reserve(count);
  const auto view = [&](int k) -> std::optional<RealizationView> {
    const auto i = static_cast<std::size_t>(k - request.first);
    return RealizationView{into.flow.subspan(i * months * gauges, months * gauges),
                           into.index_year.subspan(i * request.years, static_cast<std::size_t>(request.years)),
                           into.start_state.subspan(i * 3, 3)};
  };
  make_each(system, request, false, view, [&](int, MadeRealization&& m) { console.push_back(std::move(m.console)); });
  return console;
}

Realization make_realization(const RiverSystem& system, Option option, int years, int k, const YearHook* hook) {
  GenerationRequest request;
  request.option = option;
  request.years = years;
  request.first = k;
  request.last = k;
  request.hook = hook;
  std::vector<Realization> one = make_realizations(system, request);
  return std::move(one.front());
}

float Realization::annual(int g, int y) const {
  long double sum = 0.0L;
  for (int m = 1; m <= kMonthsPerYear; ++m) sum += at(g, m, y);
  return static_cast<float>(sum);
}

std::optional<std::string> Realization::first_not_finite() const {
  const auto bad = std::find_if(flow.begin(), flow.end(), [](float q) { return !std::isfinite(q); });
  if (bad == flow.end()) return std::nullopt;
  const auto at = static_cast<int>(bad - flow.begin());
  const int g = at % NGAUGE + 1, m = at / NGAUGE % kMonthsPerYear + 1, y = at / (NGAUGE * kMonthsPerYear) + 1;
  return "THE FLOW OF GAUGE " + std::to_string(g) + ", SEQUENCE " + std::to_string(number) + ", YEAR " +
         std::to_string(y) + ", MONTH " + std::to_string(m) + " IS NOT A FINITE NUMBER";
}

}  // namespace flowplex::api
