#pragma once
// Shared pieces of the fitting tests: files in the scratch folder, records files written from
// series made in the test, and the check that a step ends the run with a message.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "report/run_ended.hpp"
#include "test_support.hpp"

namespace flowplex::fit::testing {

// The test's scratch folder, with files written into it by name.
class Scratch : public flowplex::testing::ScratchDir {
 public:
  std::string file(const std::string& name, const std::string& text) const {
    const auto p = path() / name;
    std::ofstream(p) << text;
    return p.string();
  }
};

// monthly[g][i]: gauge g, the i-th calendar month from January of `first_year`.
inline std::string records_csv(const std::vector<std::string>& names, int first_year,
                               const std::vector<std::vector<double>>& monthly) {
  std::ostringstream out;
  out << "year,month";
  for (const auto& n : names) out << "," << n;
  out << "\n";
  for (std::size_t i = 0; i < monthly.front().size(); ++i) {
    out << first_year + static_cast<int>(i / 12) << "," << i % 12 + 1;
    for (const auto& g : monthly) out << "," << (std::isnan(g[i]) ? std::string() : std::to_string(g[i]));
    out << "\n";
  }
  return out.str();
}

// Calendar months of flows whose annual totals follow a lognormal AR(1), with a fixed
// seasonal pattern; gauges share part of their yearly noise.
inline std::vector<std::vector<double>> synthetic_months(int gauges, int years, unsigned seed) {
  std::mt19937 rng(seed);
  std::normal_distribution<double> normal;
  std::vector<std::vector<double>> monthly(static_cast<std::size_t>(gauges));
  std::vector<double> lag(static_cast<std::size_t>(gauges), 0.0);
  for (int y = 0; y < years; ++y) {
    const double shared = normal(rng);
    for (int g = 0; g < gauges; ++g) {
      double& z = lag[static_cast<std::size_t>(g)];
      z = 0.4 * z + std::sqrt(1.0 - 0.16) * (0.7 * shared + std::sqrt(1.0 - 0.49) * normal(rng));
      const double annual = 100.0 * (g + 1) * std::exp(0.4 * z);
      for (int m = 0; m < 12; ++m) {
        const double share = (1.0 + 0.8 * std::cos(2.0 * M_PI * (m - 1) / 12.0)) / 12.0;
        monthly[static_cast<std::size_t>(g)].push_back(std::round(100.0 * annual * share * std::exp(0.2 * normal(rng))) / 100.0);
      }
    }
  }
  return monthly;
}

// The run-ending message of a step that must be refused.
using flowplex::testing::run_failure;

}  // namespace flowplex::fit::testing
