#include "risk/sequent_peak.hpp"

#include "stats_test/storage_yield.hpp"

namespace flowplex {
namespace {

constexpr float kTwelfth = 1.0F / 12.0F;

// brutog's storages, for the MAR it replaces.
StorageCurve by_brutog(int NY, std::span<const float> x, float MAR) {
  StorageYield out;
  int plot_count = 0;
  brutog(NY, x, MAR, out, plot_count);
  return out.storage;
}

}  // namespace

StorageCurve required_storages(int NY, std::span<const float> x, float MAR) {
  if (NY < 1 || mar_replaced(MAR)) return by_brutog(NY, x, MAR);
  std::array<float, kYieldLevels> draught{};
  float p = 0.0F;
  for (float& g : draught) {
    p += 0.05F;
    g = MAR * p * kTwelfth;
  }
  // The running deficit of each level and its deepest value. brutog rounds each month's
  // deficit to single precision before it compares; rounding never reverses an order, so
  // rounding the deepest deficit once gives the same value (all the storage needs).
  std::array<long double, kYieldLevels> running{};
  std::array<long double, kYieldLevels> deepest{};
  const std::size_t n = static_cast<std::size_t>(12 * NY);
  for (std::size_t t = 0; t < n; ++t) {
    const float q = x[t];
    for (std::size_t L = 0; L < kYieldLevels; ++L) {
      long double d = running[L] + draught[L] - q;
      if (d <= 0.0L) d = 0.0L;
      running[L] = d;
      if (d > deepest[L]) deepest[L] = d;
    }
  }
  StorageCurve storage{};
  for (std::size_t L = 0; L < kYieldLevels; ++L) storage[L] = 100.0F * static_cast<float>(deepest[L]) / MAR;
  return storage;
}

}  // namespace flowplex
