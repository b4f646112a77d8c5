#pragma once
// What the exports say of the river system, taken from it once its parameter file is
// loaded: the gauges' names and stems, the key gauges, the title.
#include <string>
#include <vector>

#include "store/river_system.hpp"

namespace flowplex {

struct GaugeLabel {
  int number = 0;
  std::string name;    // the 40-character name, trimmed
  std::string stem;    // the first word of the name: the stem of the gauge's file names
  std::string column;  // the stem, or STEM_g where two gauges share it (or it is empty)
  bool key = false;    // a key gauge of the nearest-year search
};

std::vector<GaugeLabel> gauge_labels(const RiverSystem& river);

// The title line of the parameter file, without the blanks the file sets around it.
std::string river_system_title(const RiverSystem& river);

}  // namespace flowplex
