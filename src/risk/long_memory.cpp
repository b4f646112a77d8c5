#include "risk/long_memory.hpp"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace flowplex {
namespace {

// The least-squares slope of y on x; none for fewer than two points.
std::optional<float> slope(const std::vector<double>& x, const std::vector<double>& y) {
  const std::size_t n = x.size();
  if (n < 2) return std::nullopt;
  double mx = 0.0, my = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    mx += x[i];
    my += y[i];
  }
  mx /= static_cast<double>(n);
  my /= static_cast<double>(n);
  double sxy = 0.0, sxx = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    sxy += (x[i] - mx) * (y[i] - my);
    sxx += (x[i] - mx) * (x[i] - mx);
  }
  return static_cast<float>(sxy / sxx);
}

// The rescaled range of one block; none without variance.
std::optional<double> rescaled_range(std::span<const float> block) {
  const double s = static_cast<double>(block.size());
  double mean = 0.0;
  for (const float v : block) mean += v;
  mean /= s;
  double cumulative = 0.0, highest = 0.0, lowest = 0.0, squares = 0.0;
  for (const float v : block) {
    const double d = v - mean;
    cumulative += d;
    highest = std::max(highest, cumulative);
    lowest = std::min(lowest, cumulative);
    squares += d * d;
  }
  const double sd = std::sqrt(squares / s);
  if (!(sd > 0.0)) return std::nullopt;
  return (highest - lowest) / sd;
}

}  // namespace

std::vector<int> hurst_block_sizes(int n) {
  std::vector<int> sizes;
  for (int s = 8; n / s >= 2; s *= 2) sizes.push_back(s);
  return sizes;
}

std::optional<float> hurst_exponent(std::span<const float> annual) {
  const int n = static_cast<int>(annual.size());
  if (n < 32) return std::nullopt;
  std::vector<double> log_size, log_rs;
  for (const int s : hurst_block_sizes(n)) {
    double sum = 0.0;
    int blocks = 0;
    for (int b = 0; b + s <= n; b += s)
      if (const auto rs = rescaled_range(annual.subspan(static_cast<std::size_t>(b), static_cast<std::size_t>(s)))) {
        sum += *rs;
        ++blocks;
      }
    if (blocks == 0) continue;
    log_size.push_back(std::log(static_cast<double>(s)));
    log_rs.push_back(std::log(sum / blocks));
  }
  return slope(log_size, log_rs);
}

double anis_lloyd_rs(int s) {
  double sum = 0.0;
  for (int i = 1; i < s; ++i) sum += std::sqrt(static_cast<double>(s - i) / i);
  // Gamma((s-1)/2) / (sqrt(pi) Gamma(s/2)), through the logarithms beyond where the gammas
  // overflow; the two forms agree to rounding where both hold.
  const double factor = std::exp(std::lgamma((s - 1) / 2.0) - std::lgamma(s / 2.0)) / std::sqrt(std::numbers::pi);
  return factor * sum;
}

std::optional<float> anis_lloyd_hurst(int n) {
  if (n < 32) return std::nullopt;
  std::vector<double> log_size, log_rs;
  for (const int s : hurst_block_sizes(n)) {
    log_size.push_back(std::log(static_cast<double>(s)));
    log_rs.push_back(std::log(anis_lloyd_rs(s)));
  }
  return slope(log_size, log_rs);
}

std::optional<float> low_frequency_share(std::span<const float> annual) {
  const std::size_t n = annual.size();
  if (n < 10) return std::nullopt;
  double mean = 0.0;
  for (const float v : annual) mean += v;
  mean /= static_cast<double>(n);
  std::vector<double> d(n);
  for (std::size_t t = 0; t < n; ++t) d[t] = annual[t] - mean;
  double low = 0.0, total = 0.0;
  for (std::size_t j = 1; j <= n / 2; ++j) {
    double re = 0.0, im = 0.0;
    for (std::size_t t = 0; t < n; ++t) {
      // The angle of j t / n cycles, reduced to one cycle in integers first.
      const double angle = 2.0 * std::numbers::pi * static_cast<double>((j * t) % n) / static_cast<double>(n);
      re += d[t] * std::cos(angle);
      im -= d[t] * std::sin(angle);
    }
    const double weight = 2 * j == n ? 1.0 : 2.0;
    const double ordinate = weight * (re * re + im * im);
    total += ordinate;
    if (10 * j <= n) low += ordinate;
  }
  if (!(total > 0.0)) return std::nullopt;
  return static_cast<float>(low / total);
}

LMomentRatios l_moment_ratios(std::span<const float> annual) {
  LMomentRatios ratios;
  const std::size_t n = annual.size();
  if (n < 4) return ratios;
  std::vector<double> x(annual.begin(), annual.end());
  std::sort(x.begin(), x.end());
  const double N = static_cast<double>(n);
  double b0 = 0.0, b1 = 0.0, b2 = 0.0, b3 = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double j = static_cast<double>(i);  // values below the (i+1)-th smallest
    b0 += x[i];
    b1 += x[i] * j / (N - 1.0);
    b2 += x[i] * j * (j - 1.0) / ((N - 1.0) * (N - 2.0));
    b3 += x[i] * j * (j - 1.0) * (j - 2.0) / ((N - 1.0) * (N - 2.0) * (N - 3.0));
  }
  b0 /= N;
  b1 /= N;
  b2 /= N;
  b3 /= N;
  const double l1 = b0, l2 = 2.0 * b1 - b0, l3 = 6.0 * b2 - 6.0 * b1 + b0, l4 = 20.0 * b3 - 30.0 * b2 + 12.0 * b1 - b0;
  if (!(l2 > 0.0)) return ratios;
  if (l1 != 0.0) ratios.l_cv = static_cast<float>(l2 / l1);
  ratios.l_skewness = static_cast<float>(l3 / l2);
  ratios.l_kurtosis = static_cast<float>(l4 / l2);
  return ratios;
}

}  // namespace flowplex
