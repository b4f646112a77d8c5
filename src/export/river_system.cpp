#include "export/river_system.hpp"

#include <algorithm>
#include <map>

#include "report/input.hpp"

namespace flowplex {

std::vector<GaugeLabel> gauge_labels(const RiverSystem& river) {
  std::vector<GaugeLabel> labels;
  std::map<std::string, int> uses;
  for (int g = 1; g <= river.PARM.NGAUGE; ++g) {
    const Name& name = river.PARM.GNAME(g);
    GaugeLabel label{g, trimmed_name(name.view()), std::string(name.first_word()), {}, false};
    ++uses[label.stem];
    labels.push_back(std::move(label));
  }
  for (int k = 1; k <= river.DSBASE.NKEY; ++k) {
    const int g = river.DSBASE.KEYG(k);
    if (g >= 1 && g <= river.PARM.NGAUGE) labels[static_cast<std::size_t>(g - 1)].key = true;
  }
  // A column must name one gauge: a shared stem, or none at all, is told apart by the
  // gauge's number.
  for (GaugeLabel& label : labels)
    label.column = uses[label.stem] > 1 || label.stem.empty() ? label.stem + "_" + std::to_string(label.number)
                                                               : label.stem;
  return labels;
}

std::string river_system_title(const RiverSystem& river) {
  std::string title = trimmed_name(river.PARM.TITLE.view());
  title.erase(0, title.find_first_not_of(' '));
  return title;
}

}  // namespace flowplex
