#include "generation/random_stream.hpp"

#include <cmath>

namespace flowplex::rng {
namespace {

// The approximations' constants are kept as their single-precision roundings and
// used in double, so that every deviate is reproducible to the bit.
constexpr double kC0 = static_cast<double>(2.515517f);
constexpr double kC1 = static_cast<double>(0.802853f);
constexpr double kC2 = static_cast<double>(0.010328f);
constexpr double kD1 = static_cast<double>(1.432788f);
constexpr double kD2 = static_cast<double>(0.189269f);
constexpr double kD3 = static_cast<double>(0.001308f);

constexpr double kTailP = static_cast<double>(0.2316419f);
constexpr double kB1 = static_cast<double>(0.319381530f);
constexpr double kB2 = static_cast<double>(-0.356563782f);
constexpr double kB3 = static_cast<double>(1.781477937f);
constexpr double kB4 = static_cast<double>(-1.821255978f);
constexpr double kB5 = static_cast<double>(1.330274429f);
constexpr double kInvSqrt2Pi = static_cast<double>(0.3989422917f);

// The smallest tail probability the three combined moduli can resolve: a quantile
// asked for beyond it (P = 0 or 1) is taken there instead of at infinity.
constexpr double kFinestTail = 1.0 / (30269.0 * 30307.0 * 30323.0);

constexpr int kDiscardedAtStart = 5000;

// a*x mod m in the split form that keeps every intermediate within 32 bits; it also
// brings a start value above the modulus into range.
int congruential_step(int x, int a, int q, int r, int m) {
  int next = a * (x % q) - r * (x / q);
  if (next < 0) next += m;
  return next;
}

// x * a^n mod m by repeated squaring; every product stays below m^2 < 2^31.
int times_power(int x, long long a, long long n, long long m) {
  long long result = x % m;
  for (long long base = a % m; n > 0; n /= 2, base = base * base % m)
    if (n % 2 == 1) result = result * base % m;
  return static_cast<int>(result);
}

}  // namespace

double whrand(int& IX, int& IY, int& IZ) {
  IX = congruential_step(IX, 171, 177, 2, 30269);
  IY = congruential_step(IY, 172, 176, 35, 30307);
  IZ = congruential_step(IZ, 170, 178, 63, 30323);
  const double r1 = 1.0 / 30269.0;
  const double r2 = 1.0 / 30307.0;
  const double r3 = 1.0 / 30323.0;
  const double sum = IX * r1 + IY * r2 + IZ * r3;
  return sum - std::trunc(sum);
}

double random(StdatBlock& stream) { return whrand(stream.IX, stream.IY, stream.IZ); }

double xnorm(double P) {
  double sign = 1.0;
  double a = 1.0 - P;
  if (P < 0.5) {
    sign = -1.0;
    a = P;
  }
  if (!(a >= kFinestTail)) a = kFinestTail;
  const double t = std::sqrt(-std::log(a * a));
  const double x = t - (kC0 + kC1 * t + kC2 * t * t) / (1.0 + kD1 * t + kD2 * t * t + kD3 * t * t * t);
  return sign * x;
}

double anorm(StdatBlock& stream) { return xnorm(random(stream)); }

double qnormx(double X) {
  if (X == 0.0) return 0.5;
  if (X > 10.0) return 0.0;
  if (X < -10.0) return 1.0;
  const double t = 1.0 / (1.0 + kTailP * std::fabs(X));
  const double poly = t * (kB1 + t * (kB2 + t * (kB3 + t * (kB4 + t * kB5))));
  const double R = kInvSqrt2Pi * poly / std::exp(X * X / 2.0);
  return X > 0.0 ? R : 1.0 - R;
}

void start(StdatBlock& stream) {
  stream.NEWSEQ = 1;
  stream.IX = 26;
  stream.IY = 162534;
  stream.IZ = 793;
  for (int i = 0; i < kDiscardedAtStart; ++i) anorm(stream);
}

void jump(StdatBlock& stream, long long steps) {
  stream.IX = times_power(stream.IX, 171, steps, 30269);
  stream.IY = times_power(stream.IY, 172, steps, 30307);
  stream.IZ = times_power(stream.IZ, 170, steps, 30323);
}

}  // namespace flowplex::rng
