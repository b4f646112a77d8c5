#pragma once
// A river system fitted from gauge records: every model the parameter files carry.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fit/annual_model.hpp"
#include "fit/cross_gauge.hpp"
#include "fit/forecast_model.hpp"
#include "fit/records.hpp"

namespace flowplex::fit {

// At most this many key gauges are chosen by default.
inline constexpr int kDefaultKeyGauges = 10;
// The default key gauges together carry at least this share of the mean annual flow.
inline constexpr double kKeyFlowShare = 0.8;

struct FitSettings {
  std::string title;
  std::string keys;  // gauge numbers or stems, separated by commas; empty: the default rule
  std::map<std::string, ArmaOrder> orders;  // imposed ARMA orders by stem_key
};

struct RiverSystem {
  std::string title;
  Records records;
  std::optional<Records> rainfall;
  std::vector<GaugeAnnualModel> annual;
  CrossGaugeModel cross;
  ForecastModel forecast;
  std::vector<int> keys;  // gauge numbers, 1 first
  std::string key_rule;
};

RiverSystem fit_river_system(Records records, std::optional<Records> rainfall, const FitSettings& settings);

// The key gauges: those named, or by default the modelled gauges of largest mean annual
// flow, in descending order, until they carry kKeyFlowShare of the system's flow.
std::vector<int> choose_keys(const Records& r, const std::vector<GaugeAnnualModel>& annual, const std::string& named,
                             std::string& rule);

// Reads imposed ARMA orders: lines "STEM P Q" (blank lines and lines starting with '#'
// are skipped).
std::map<std::string, ArmaOrder> read_orders(const std::string& path, const Records& r);

}  // namespace flowplex::fit
