#pragma once
// The band chart of the risk analyses: for each category (a lag, an exceedance
// probability, a drought figure) the band the realizations span from their 5 % to their
// 95 % value, their median and the historical value; optionally a +/- bound about zero
// and the medians and historical values joined as curves.
#include <optional>
#include <span>
#include <string>

#include "risk/results.hpp"

namespace flowplex::html {

struct BandCategory {
  std::string label;
  std::optional<float> historical;
  Band band;
};

struct BandChartFrame {
  std::string title;
  std::string x_title;
  std::string y_title;
  std::optional<float> bound;  // drawn as dashed lines at +bound and -bound
  bool joined = false;         // medians and historical values joined as curves
  bool logarithmic = false;    // a logarithmic value axis, where every value is positive
};

std::string band_chart(const BandChartFrame& frame, std::span<const BandCategory> categories);

}  // namespace flowplex::html
