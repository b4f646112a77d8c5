#include "stats_test/moments.hpp"

#include <algorithm>
#include <cmath>

namespace flowplex {

namespace {

// Element i (1-based) of a sample.
float at(std::span<const float> x, int i) { return x[static_cast<std::size_t>(i - 1)]; }
float& at(std::span<float> x, int i) { return x[static_cast<std::size_t>(i - 1)]; }

// The extended-precision mean of the first n values (n >= 1).
long double extended_mean(std::span<const float> x, int n) {
  long double sum = 0.0L;
  for (int i = 1; i <= n; ++i) sum += at(x, i);
  return sum / n;
}

}  // namespace

void momen1(std::span<const float> x, int n, float& mean, float& sd) {
  mean = 0.0F;
  sd = 0.0F;
  if (n < 1) return;
  const long double m = extended_mean(x, n);
  mean = static_cast<float>(m);
  if (n < 2) return;  // one value has no spread
  const long double weight = 1.0L / (n - 1);
  long double variance = 0.0L;
  for (int i = 1; i <= n; ++i) {
    const long double d = at(x, i) - m;
    variance += d * d * weight;
  }
  // Rounding noise of a constant sample is not a spread.
  if (variance >= 1.0E-12L) sd = static_cast<float>(std::sqrt(variance));
}

void momen3(std::span<const float> x, int n, float& mean, float& sd, float& skew) {
  mean = 0.0F;
  sd = 0.0F;
  skew = 0.0F;
  if (n < 1) return;
  const long double m = extended_mean(x, n);
  mean = static_cast<float>(m);
  if (n < 2) return;
  long double s2 = 0.0L;
  long double s3 = 0.0L;
  for (int i = 1; i <= n; ++i) {
    const long double d = at(x, i) - m;
    s2 += d * d;
    s3 += d * d * d;
  }
  sd = static_cast<float>(std::sqrt(s2 / (n - 1)));
  if (n < 3) return;  // the small-sample factor needs three values
  const long double b = s2 / n;
  const long double denominator = b * static_cast<float>(std::sqrt(b));
  const long double g = denominator != 0.0L ? (s3 / n) / denominator : 0.0L;
  const int n_squared = n * n;
  const int small_sample = (n - 1) * (n - 2);
  skew = static_cast<float>(g * static_cast<long double>(n_squared) / static_cast<long double>(small_sample));
}

void ssort(int n, std::span<float> x) {
  if (n < 2) return;
  const float ln_n = std::log(static_cast<float>(n));
  const float ln_2 = std::log(2.0F);
  int gap = 1 << static_cast<int>(ln_n / ln_2);
  for (; gap >= 1; gap /= 2) {
    for (int j = 1; j <= n - gap; ++j) {
      // Carry the larger value back along the gap while it keeps winning.
      for (int i = j; at(x, i + gap) >= at(x, i);) {
        std::swap(at(x, i + gap), at(x, i));
        i -= gap;
        if (i <= 1) break;
      }
    }
  }
}

void box(int M, int Q, int n, std::span<const float> x, std::array<float, 7>& summary) {
  // The tail rank: (n + 1) / 20 for every practical n, never outside 1..n.
  const long double tail = static_cast<long double>(0.1F) * (n + 1) * static_cast<long double>(0.5F);
  const int k = std::clamp(static_cast<int>(tail), 1, n);
  const std::array<int, 7> ranks{1, k, M - Q, M, M + Q, n - k, n};
  for (std::size_t r = 0; r < ranks.size(); ++r) summary[r] = at(x, std::clamp(ranks[r], 1, n));
}

std::array<float, 7> seven_value_summary(std::span<const float> values41) {
  constexpr int kCount = 41;
  std::array<float, kCount> sorted{};
  std::copy_n(values41.begin(), kCount, sorted.begin());
  ssort(kCount, sorted);
  std::array<float, 7> summary{};
  box(21, 11, kCount, sorted, summary);
  return summary;
}

}  // namespace flowplex
