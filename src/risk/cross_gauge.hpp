#pragma once
// The Pearson correlation of the annual flows of the slots analysed: historical over the
// years both records hold, generated per realization and averaged over the realizations.
#include <optional>
#include <span>
#include <vector>

#include "risk/results.hpp"

namespace flowplex {

// The product-moment correlation of the pairs (x[i], y[i]); absent for fewer than two
// pairs or a series without variance.
std::optional<float> pearson(std::span<const float> x, std::span<const float> y);

// A slot as the cross-gauge table names it.
struct SlotLabel {
  int slot = 0;
  int gauge = 0;
  std::string name;
};

// Gathers realization by realization the generated correlation of every pair of slots.
class CrossGaugeCorrelation {
 public:
  // The slots in the order they were analysed; historical(i, j) is the historical
  // correlation of slots i and j (i < j, positions in that order).
  CrossGaugeCorrelation(std::vector<SlotLabel> slots, std::vector<std::optional<float>> historical);

  // The annual flows of one realization, one series per slot in the order above.
  void add_realization(const std::vector<std::span<const float>>& annual);
  // The same in two steps, for realizations whose figures are formed apart from where they
  // are gathered: the correlation of every pair of one realization, in pair_index order,
  // and those correlations added.
  static std::vector<std::optional<float>> realization_pairs(const std::vector<std::span<const float>>& annual);
  void add_pairs(std::span<const std::optional<float>> pairs);

  CrossGaugeResult finish() const;

  // The position of the pair (i, j), i < j, among all pairs taken row by row.
  static std::size_t pair_index(std::size_t i, std::size_t j, std::size_t slots);

 private:
  std::vector<SlotLabel> slots_;
  std::vector<std::optional<float>> historical_;
  std::vector<long double> sum_;  // of the generated correlations, per pair
  std::vector<int> count_;        // of the realizations that gave one
};

}  // namespace flowplex
