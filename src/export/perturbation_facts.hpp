#pragma once
// What the exports state of a perturbed run: the factors as given and those of every
// gauge, for the NetCDF attributes, the manifest and the page.
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "export/generation_layout.hpp"
#include "flowplex/perturbation.hpp"

namespace flowplex {

// "mean x0.8, CV x1.25, months 1:1:...": one gauge's factors in words.
std::string factors_in_words(const api::GaugeFactors& factors);

// {"given", "every_other_gauge", "gauges": {number: factors}} for the manifest.
nlohmann::ordered_json perturbation_json(const api::Perturbation& perturbation);

// Global attributes: the factors as given, and the mean, variability and monthly factors
// by station (NGAUGE values each, the months NGAUGE x 12, October first).
std::vector<Attribute> perturbation_attributes(const api::Perturbation& perturbation, int NGAUGE);

}  // namespace flowplex
