#pragma once
// The realizations a run makes: sequences first to last of the unbroken random stream.
// Realization k is the k-th sequence of the stream whatever the range that holds it; the
// reports and the console describe realizations 1 to 41, which a range must hold whole for
// the tests of the generated flows to be made.
#include "store/limits.hpp"

namespace flowplex {

// The most realizations one run makes. The rigorous option, the hungriest but for the
// forecasting mode, draws 202,500 deviates per realization: 1,000,000 realizations draw
// 2.03e11 of the stream's 6.95e12 (the forecasting mode 1.21e12), so no realization ever
// repeats the draws of another.
inline constexpr int kMaxRealizations = 1'000'000;

struct RealizationRange {
  int first = 1;
  int last = kSequences;
  bool given = false;  // asked for on the command line rather than the fixed 41

  int count() const { return last - first + 1; }
  // Whether the range holds every sequence the tests of the generated flows compare.
  bool holds_tested() const { return first == 1 && last >= kSequences; }
  // Whether realization r is one the console, the kept flows and the reports describe.
  bool described(int r) const { return holds_tested() && r <= kSequences; }
};

}  // namespace flowplex
