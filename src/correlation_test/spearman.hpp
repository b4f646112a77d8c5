#pragma once
// Spearman's rank correlation of paired values, corrected for tied ranks: the measure
// by which the monthly correlation test compares two gauges. Arrays are spans whose
// element [0] is element 1 of the series; n is the number of elements used.
#include <span>

namespace flowplex {

// The most pairs one coefficient ranks: the longest sequence or historical period.
inline constexpr int kMaxPairs = 200;

// Sorts RA(1..n) into ascending order by a heap sort and moves RB(j) wherever RA(j)
// moves, so that each value stays beside its partner.
void sort2(int n, std::span<float> RA, std::span<float> RB);

// Replaces the ascending values W(1..n) by their ranks, tied values sharing their
// average rank, and sets S to the sum of t^3 - t over the groups of t tied values.
void crank(int n, std::span<float> W, float& S);

// The ranks of X(1..n) in the order of X: R(j) is the rank crank gives X(j); S the
// sum of t^3 - t over its groups of tied values. Needs 1 <= n <= kMaxPairs.
void rank_series(std::span<const float> X, int n, std::span<float> R, float& S);

// Rank correlation of n pairs from the ranks of both series and their tie sums.
// The squared rank differences are multiples of a quarter, so their extended sum is
// exact in any order.
float ranked_coefficient(std::span<const float> R1, float SF, std::span<const float> R2, float SG, int n);

// Rank correlation of the pairs X(j), Y(j), j = 1..n, written to result. X and Y are
// left unchanged. Needs 2 <= n <= kMaxPairs (std::invalid_argument otherwise): fewer
// than two pairs have no ranks to correlate, and the work arrays hold kMaxPairs values.
void spear2(std::span<const float> X, std::span<const float> Y, int n, float& result);

}  // namespace flowplex
