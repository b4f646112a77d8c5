#include "stats_test/storage_yield.hpp"

namespace flowplex {

namespace {

constexpr float kTwelfth = 1.0F / 12.0F;

float month(std::span<const float> x, int t) { return x[static_cast<std::size_t>(t - 1)]; }

// The series' own mean annual flow, for a MAR too small to measure yields against.
float own_mean_annual_flow(std::span<const float> x, int n, int NY) {
  long double sum = 0.0L;
  for (int t = 1; t <= n; ++t) sum += month(x, t);
  return static_cast<float>(sum) / static_cast<float>(NY);
}

struct CriticalDepletion {
  float deepest = 0.0F;  // largest deficit
  int months = 0;        // from the start of its depletion to its deepest month
};

// Sequent-peak pass for one monthly draught, in one sweep: the deficit of each month
// (rounded to single precision), the first month of the largest deficit, and the start
// of its depletion, one past the last month before it whose deficit is nil.
CriticalDepletion sequent_peak(std::span<const float> x, int n, float draught) {
  long double running = 0.0L;
  float deepest = 0.0F;
  int deepest_month = 1;
  int start = 1;
  int last_nil = 0;
  for (int t = 1; t <= n; ++t) {
    running = running + draught - month(x, t);
    if (running <= 0.0L) running = 0.0L;
    const float deficit = static_cast<float>(running);
    if (deficit == 0.0F) last_nil = t;
    if (t == 1 || deficit > deepest) {
      deepest = deficit;
      deepest_month = t;
      start = last_nil + 1;
    }
  }
  return {deepest, deepest_month - start + 1};
}

}  // namespace

void brutog(int NY, std::span<const float> x, float& MAR, StorageYield& out, int& plot_count) {
  if (NY < 1) return;  // no month to draw from
  const int n = 12 * NY;
  if (mar_replaced(MAR)) MAR = own_mean_annual_flow(x, n, NY);
  float p = 0.0F;
  for (int L = 1; L <= kYieldLevels; ++L) {
    p += 0.05F;
    const float draught = MAR * p * kTwelfth;
    const CriticalDepletion depletion = sequent_peak(x, n, draught);
    const std::size_t at = static_cast<std::size_t>(L - 1);
    out.yield[at] = 100.0F * p;
    // A series of no flow at all needs no storage (and gives no MAR to divide by).
    out.storage[at] = MAR != 0.0F ? 100.0F * depletion.deepest / MAR : 0.0F;
    out.critical_months[at] = static_cast<float>(depletion.months);
    if (out.storage[at] <= 401.0F) plot_count = L;
  }
}

void defcit(std::span<const float> x, int n, float annual_mean, DeficitColumn& out) {
  for (int f = 8; f >= 4; --f) {
    const std::size_t k = static_cast<std::size_t>(f - 4);
    const float release = annual_mean * static_cast<float>(f) * 0.1F * kTwelfth;
    out.release[k] = release;
    float& deepest = out.max_deficit[k];
    int& duration = out.duration[k];
    int& longest = out.longest[k];
    deepest = 0.0F;
    duration = 0;
    longest = 0;
    long double running = 0.0L;
    int run = 0;
    for (int t = 1; t <= n; ++t) {
      running = running + release - month(x, t);
      if (running <= 0.0L) {
        running = 0.0L;
        run = 0;
        continue;
      }
      ++run;
      if (running > deepest) {
        deepest = static_cast<float>(running);
        duration = run;
      }
      if (run > longest) longest = run;
    }
  }
}

void dismin(int n, std::span<const float> x, const std::array<int, kRunLengths>& run_lengths, RunSumColumn& sums) {
  for (std::size_t i = 0; i < sums.size(); ++i) {
    const int N = run_lengths[i];
    float& smallest = sums[i];
    // A run longer than the series has no window: it reports the cap.
    if (N > n) {
      smallest = kRunSumCap;
      continue;
    }
    if (N <= 0) {  // an empty run sums to nothing
      smallest = 0.0F;
      continue;
    }
    long double window = 0.0L;
    for (int t = 1; t <= N; ++t) window += month(x, t);
    smallest = window < kRunSumCap ? static_cast<float>(window) : kRunSumCap;
    for (int t = 2; t <= n - N + 1; ++t) {
      window = window - month(x, t - 1) + month(x, t - 1 + N);
      if (window < smallest) smallest = static_cast<float>(window);
    }
  }
}

}  // namespace flowplex
