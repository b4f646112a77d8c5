#pragma once
// A heat map of the correlations among gauges: one cell per pair, its colour on a
// diverging blue-orange scale that readers with any common colour-vision deficiency tell
// apart, and the coefficient written in it, so that it reads in black and white too.
#include <optional>
#include <string>
#include <vector>

namespace flowplex::html {

// labels: the gauges, in order; value(i, j) the correlation of gauges i and j.
std::string heat_map(const std::string& title, const std::vector<std::string>& labels,
                     const std::vector<std::vector<std::optional<float>>>& value);

}  // namespace flowplex::html
