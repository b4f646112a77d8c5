#include "fit/river_system.hpp"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <fstream>
#include <sstream>
#include <thread>

#include "report/run_ended.hpp"

namespace flowplex::fit {
namespace {

// The gauge number (1 first) of a stem, or of a number in range; 0 when neither.
int gauge_number(const Records& r, const std::string& item) {
  int number = 0;
  const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), number);
  if (error == std::errc{} && end == item.data() + item.size()) return number >= 1 && number <= r.gauge_count() ? number : 0;
  for (int g = 0; g < r.gauge_count(); ++g)
    if (stem_key(r.gauges[static_cast<std::size_t>(g)].stem) == stem_key(item)) return g + 1;
  return 0;
}

std::vector<int> named_keys(const Records& r, const std::vector<GaugeAnnualModel>& annual, const std::string& named) {
  std::vector<int> keys;
  std::stringstream list(named);
  std::string item;
  while (std::getline(list, item, ',')) {
    item.erase(0, item.find_first_not_of(' '));
    item.erase(item.find_last_not_of(' ') + 1);
    const int g = gauge_number(r, item);
    if (g == 0) end_run(" *** KEY GAUGE '" + item + "' IS NEITHER A GAUGE NUMBER 1 TO " + std::to_string(r.gauge_count()) + " NOR A GAUGE STEM ***");
    if (std::find(keys.begin(), keys.end(), g) != keys.end()) end_run(" *** KEY GAUGE '" + item + "' IS NAMED TWICE ***");
    if (!annual[static_cast<std::size_t>(g - 1)].modelled())
      end_run(" *** KEY GAUGE '" + item + "' HAS NO ANNUAL MODEL: ITS FLOWS CANNOT GUIDE THE NEAREST-YEAR SEARCH ***");
    keys.push_back(g);
  }
  return keys;
}

std::vector<int> largest_gauges(const std::vector<GaugeAnnualModel>& annual) {
  std::vector<int> order;
  double total = 0.0;
  for (std::size_t g = 0; g < annual.size(); ++g)
    if (annual[g].modelled() && annual[g].historical_mean > 0.0) {
      order.push_back(static_cast<int>(g) + 1);
      total += annual[g].historical_mean;
    }
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    return annual[static_cast<std::size_t>(a - 1)].historical_mean > annual[static_cast<std::size_t>(b - 1)].historical_mean;
  });
  std::vector<int> keys;
  double carried = 0.0;
  for (const int g : order) {
    if (carried >= kKeyFlowShare * total || static_cast<int>(keys.size()) == kDefaultKeyGauges) break;
    keys.push_back(g);
    carried += annual[static_cast<std::size_t>(g - 1)].historical_mean;
  }
  return keys;
}

std::optional<ArmaOrder> imposed_order(const FitSettings& settings, const GaugeColumn& gauge) {
  const auto at = settings.orders.find(stem_key(gauge.stem));
  if (at == settings.orders.end()) return std::nullopt;
  return at->second;
}

// The gauges' annual models are independent of one another: they are fitted side by side,
// each by the same steps whatever the number of workers, so the results do not depend on it.
std::vector<GaugeAnnualModel> fit_annual_models(const Records& records, const FitSettings& settings) {
  std::vector<GaugeAnnualModel> models(static_cast<std::size_t>(records.gauge_count()));
  std::atomic<int> next{0};
  const auto work = [&] {
    for (int g = next++; g < records.gauge_count(); g = next++)
      models[static_cast<std::size_t>(g)] =
          fit_annual_model(records.annual_series(g), imposed_order(settings, records.gauges[static_cast<std::size_t>(g)]));
  };
  const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
  std::vector<std::thread> helpers;
  for (unsigned w = 1; w < workers; ++w) helpers.emplace_back(work);
  work();
  for (std::thread& t : helpers) t.join();
  return models;
}

}  // namespace

std::vector<int> choose_keys(const Records& r, const std::vector<GaugeAnnualModel>& annual, const std::string& named,
                             std::string& rule) {
  if (!named.empty()) {
    rule = "KEY GAUGES AS NAMED BY --keys";
    return named_keys(r, annual, named);
  }
  rule = "KEY GAUGES: THE MODELLED GAUGES OF LARGEST MEAN ANNUAL FLOW, UNTIL THEY CARRY " +
         std::to_string(static_cast<int>(100.0 * kKeyFlowShare)) + " % OF THE SYSTEM'S POSITIVE MEAN FLOW (AT MOST " +
         std::to_string(kDefaultKeyGauges) + ")";
  return largest_gauges(annual);
}

std::map<std::string, ArmaOrder> read_orders(const std::string& path, const Records& r) {
  std::ifstream in(path);
  if (!in) end_run(" *** CANNOT OPEN THE ARMA ORDERS FILE " + path + " ***");
  std::map<std::string, ArmaOrder> orders;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::stringstream fields(line);
    std::string stem;
    ArmaOrder order;
    if (!(fields >> stem) || stem.front() == '#') continue;
    if (!(fields >> order.p >> order.q) || order.p < 0 || order.p > kMaxArmaOrder || order.q < 0 || order.q > kMaxArmaOrder)
      end_run(" *** ARMA ORDERS FILE " + path + " LINE " + std::to_string(number) + ": GIVE A STEM AND TWO ORDERS 0 TO 2 ***");
    if (gauge_number(r, stem) == 0)
      end_run(" *** ARMA ORDERS FILE " + path + " LINE " + std::to_string(number) + ": NO GAUGE HAS THE STEM " + stem + " ***");
    orders[stem_key(stem)] = order;
  }
  return orders;
}

RiverSystem fit_river_system(Records records, std::optional<Records> rainfall, const FitSettings& settings) {
  RiverSystem system;
  system.title = settings.title;
  system.annual = fit_annual_models(records, settings);
  system.cross = fit_cross_gauge(system.annual);
  system.forecast = fit_forecast_model(records);
  system.keys = choose_keys(records, system.annual, settings.keys, system.key_rule);
  system.records = std::move(records);
  system.rainfall = std::move(rainfall);
  return system;
}

}  // namespace flowplex::fit
