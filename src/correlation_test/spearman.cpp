#include "correlation_test/spearman.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cmath>
#include <stdexcept>
#include <string>

namespace flowplex {

namespace {

// Element i (1-based) of a series.
float& at(std::span<float> x, int i) { return x[static_cast<std::size_t>(i - 1)]; }

void require_elements(std::size_t size, int n) {
  if (n < 0 || size < static_cast<std::size_t>(n))
    throw std::invalid_argument("a series of " + std::to_string(size) + " values cannot supply " +
                                std::to_string(n));
}

// Lets the pair (ra, rb) sink from position i of the heap RA(l..ir) to where it
// belongs, lifting the larger child of each level into the gap it leaves.
void sift_down(std::span<float> RA, std::span<float> RB, int i, int ir, float ra, float rb) {
  int j = i + i;
  while (j <= ir) {
    if (j < ir && at(RA, j) < at(RA, j + 1)) ++j;
    if (!(ra < at(RA, j))) break;
    at(RA, i) = at(RA, j);
    at(RB, i) = at(RB, j);
    i = j;
    j += j;
  }
  at(RA, i) = ra;
  at(RB, i) = rb;
}

// A whole number whose order is the order of the float values: negative values have
// every bit turned over, the others their sign bit set. -0 comes just before +0, so
// values that compare equal stay next to each other.
std::uint32_t ordered_bits(float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  return (bits & 0x80000000U) != 0 ? ~bits : bits | 0x80000000U;
}

// Gives positions j..jt-1 of W, a group of tied values, their average rank.
void share_rank(std::span<float> W, int j, int jt) {
  const float rank = 0.5F * static_cast<float>(j + jt - 1);
  for (int ji = j; ji <= jt - 1; ++ji) at(W, ji) = rank;
}

// The first position after j whose value differs from W(j), or n + 1.
int end_of_ties(std::span<float> W, int n, int j) {
  int jt = j + 1;
  while (jt <= n && at(W, jt) == at(W, j)) ++jt;
  return jt;
}

}  // namespace

void sort2(int n, std::span<float> RA, std::span<float> RB) {
  require_elements(RA.size(), n);
  require_elements(RB.size(), n);
  if (n < 2) return;
  // Build the heap, then move its top (the largest value) to the end of the shrinking
  // unsorted part, one position at a time.
  for (int l = n / 2; l >= 1; --l) sift_down(RA, RB, l, n, at(RA, l), at(RB, l));
  for (int ir = n; ir > 1; --ir) {
    const float ra = at(RA, ir);
    const float rb = at(RB, ir);
    at(RA, ir) = at(RA, 1);
    at(RB, ir) = at(RB, 1);
    sift_down(RA, RB, 1, ir - 1, ra, rb);
  }
}

void crank(int n, std::span<float> W, float& S) {
  require_elements(W.size(), n);
  S = 0.0F;
  int j = 1;
  while (j < n) {
    if (at(W, j + 1) != at(W, j)) {
      at(W, j) = static_cast<float>(j);
      ++j;
      continue;
    }
    const int jt = end_of_ties(W, n, j);
    share_rank(W, j, jt);
    const float t = static_cast<float>(jt - j);
    S += t * t * t - t;
    j = jt;
  }
  if (j == n) at(W, n) = static_cast<float>(n);
}

void rank_series(std::span<const float> X, int n, std::span<float> R, float& S) {
  if (n < 1 || n > kMaxPairs)
    throw std::invalid_argument("a series of 1 to " + std::to_string(kMaxPairs) + " values can be ranked, not " +
                                std::to_string(n));
  require_elements(X.size(), n);
  require_elements(R.size(), n);
  // Sort the values with their positions, rank them, and put each rank back in place.
  // The ranks depend only on the values in ascending order, so any sort serves; sorting
  // whole numbers that order as the values do (positions in the low half) is quickest.
  const auto count = static_cast<std::size_t>(n);
  std::array<std::uint64_t, kMaxPairs> keyed{};
  for (std::size_t j = 0; j < count; ++j) keyed[j] = (std::uint64_t{ordered_bits(X[j])} << 32) | j;
  std::sort(keyed.begin(), keyed.begin() + n);
  std::array<float, kMaxPairs> w{};
  for (std::size_t j = 0; j < count; ++j) w[j] = X[keyed[j] & 0xFFFFFFFFU];
  crank(n, w, S);
  for (std::size_t j = 0; j < count; ++j) R[keyed[j] & 0xFFFFFFFFU] = w[j];
}

float ranked_coefficient(std::span<const float> R1, float SF, std::span<const float> R2, float SG, int n) {
  require_elements(R1.size(), n);
  require_elements(R2.size(), n);
  long double D = 0.0L;
  for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j) {
    const long double difference = static_cast<long double>(R1[j]) - R2[j];
    D += difference * difference;
  }
  const float en = static_cast<float>(n);
  const float E = en * en * en - en;
  const float A = 1.0F - SF / E;
  const float B = 1.0F - SG / E;
  const float AB = A * B;
  if (std::fabs(AB) > 1.0E-20F) {
    const float root = std::sqrt(AB);
    return static_cast<float>((1.0L - 0.5L * (SF + SG + 12.0L * D) / E) / root);
  }
  // One series is constant: it ranks alike with a constant partner, not with a varying one.
  return D < 1.0E-20L ? 1.0F : 0.0F;
}

void spear2(std::span<const float> X, std::span<const float> Y, int n, float& result) {
  if (n < 2 || n > kMaxPairs)
    throw std::invalid_argument("a rank correlation needs 2 to " + std::to_string(kMaxPairs) +
                                " pairs, not " + std::to_string(n));
  std::array<float, kMaxPairs> R1{};
  std::array<float, kMaxPairs> R2{};
  float SF = 0.0F;
  float SG = 0.0F;
  rank_series(X, n, R1, SF);
  rank_series(Y, n, R2, SG);
  result = ranked_coefficient(R1, SF, R2, SG, n);
}

}  // namespace flowplex
