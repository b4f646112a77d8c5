#pragma once
// The long-memory and spectral figures of an annual series, and its L-moment ratios.
//
// Hurst exponent by rescaled range: the series is cut from its start into non-overlapping
// blocks of 8, 16, 32, ... years, as long as a size holds at least two blocks (the years
// beyond the last whole block are left out). In each block the cumulative departures from
// the block's mean span a range R, which is divided by the block's standard deviation S
// (divisor the block's length); a block without variance gives no R/S. The R/S of a size is
// the mean over its blocks, and the exponent the least-squares slope of ln R/S on ln size.
// A series shorter than 32 years (fewer than two sizes) gives none.
//
// Anis-Lloyd: the same slope through the expected R/S of independent normal values of
// each size (Anis and Lloyd 1976), what a short-memory generator tends to at that length.
//
// Low-frequency share: the share of the variance of the mean-removed series at frequencies
// j/n up to 0.1 cycles a year inclusive, from its periodogram I_j = |sum_t x_t e^(-2 pi i j t / n)|^2
// at j = 1..floor(n/2), each ordinate weighted 2 and the Nyquist ordinate (j = n/2) once, so
// that the weights sum the periodogram to n times the variance (Parseval). A series of fewer
// than 10 years (no such frequency) or without variance gives none.
//
// L-moments from the unbiased probability-weighted moments b0..b3 of the sorted series
// (Hosking 1990): l1 = b0, l2 = 2 b1 - b0, l3 = 6 b2 - 6 b1 + b0, l4 = 20 b3 - 30 b2 + 12 b1 - b0;
// L-CV = l2 / l1, L-skewness = l3 / l2, L-kurtosis = l4 / l2. Fewer than four values, a zero
// mean (for the L-CV) or no spread give none.
#include <optional>
#include <span>
#include <vector>

namespace flowplex {

// The block sizes the Hurst exponent of n years uses: 8, 16, ... while n holds two blocks.
std::vector<int> hurst_block_sizes(int n);

std::optional<float> hurst_exponent(std::span<const float> annual);

// The Anis-Lloyd expected R/S of a block of s independent normal values.
double anis_lloyd_rs(int s);
// The slope through the Anis-Lloyd R/S of the block sizes of n years; none below 32 years.
std::optional<float> anis_lloyd_hurst(int n);

std::optional<float> low_frequency_share(std::span<const float> annual);

struct LMomentRatios {
  std::optional<float> l_cv, l_skewness, l_kurtosis;
};
LMomentRatios l_moment_ratios(std::span<const float> annual);

}  // namespace flowplex
