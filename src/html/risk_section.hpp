#pragma once
// The page's account of what the ensemble says about risk: a section per slot after its
// statistics test, the validation summary at the top of the page, and the cross-gauge
// correlation of the slots analysed.
#include <string>
#include <string_view>
#include <vector>

#include "risk/results.hpp"

namespace flowplex::html {

// The look of the risk charts, added to the page's style sheet.
extern const std::string_view kRiskStyle;

// The anchor of a slot's risk section.
std::string risk_anchor(int slot);

std::string risk_section(const SlotRisk& risk);

// A slot's line of the validation summary.
struct ValidationLine {
  int slot = 0;
  int gauge = 0;
  std::string name;
  Validation validation;
};

// The summary table; nothing where no slot was analysed.
// Perturbed flows are told apart from today's record by design: their summary says so.
std::string validation_summary(const std::vector<ValidationLine>& lines, bool perturbed = false);

// The heat maps and table of the pairs; nothing for fewer than two slots.
std::string cross_gauge_section(const CrossGaugeResult& result);

}  // namespace flowplex::html
