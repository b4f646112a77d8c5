#pragma once
// ARMA(p, q) models, p, q <= 2, of a gauge's standardised normalised annual flows, in
// the generator's form y(t) = phi1 y(t-1) + phi2 y(t-2) + e(t) - theta1 e(t-1) - theta2 e(t-2),
// fitted by exact Gaussian maximum likelihood (a Kalman filter started from the
// stationary state) and chosen by AICc.
#include <array>
#include <span>
#include <vector>

namespace flowplex::fit {

struct ArmaCoefficients {
  int p = 0;
  int q = 0;
  std::array<double, 2> phi{};
  std::array<double, 2> theta{};
};

struct ArmaFit {
  ArmaCoefficients model;
  std::array<double, 2> phi_se{};    // standard errors; not a number when not in the model
  std::array<double, 2> theta_se{};  // or when the likelihood is flat there
  double innovation_variance = 0.0;  // at the maximum
  double log_likelihood = 0.0;
  double aicc = 0.0;
  std::vector<double> innovations;   // one-step prediction errors, e(t) of the record
  std::vector<double> standardised;  // the same, each divided by its standard deviation
};

inline constexpr int kMaxArmaOrder = 2;

// Whether the autoregressive part is stationary and the moving-average part invertible.
bool stationary_and_invertible(const ArmaCoefficients& c);

// The exact log-likelihood of y with the innovation variance at its maximum; minus
// infinity outside the stationary and invertible region.
double concentrated_log_likelihood(std::span<const double> y, const ArmaCoefficients& c);

// The maximum-likelihood model of the given order.
ArmaFit fit_arma(std::span<const double> y, int p, int q);

// The model of lowest AICc over every order p, q = 0 to 2.
ArmaFit choose_arma(std::span<const double> y);

// psi(0..count-1): y(t) = sum psi(k) e(t - k).
std::vector<double> psi_weights(const ArmaCoefficients& c, int count);
// psi weights until they have died away.
std::vector<double> psi_weights(const ArmaCoefficients& c);

// The variance of y for unit innovation variance: the sum of the squared psi weights.
double unit_innovation_variance(const ArmaCoefficients& c);

// The model's autocorrelation at the given lag.
double model_autocorrelation(const ArmaCoefficients& c, int lag);

// The sample autocorrelation of y at the given lag.
double sample_autocorrelation(std::span<const double> y, int lag);

}  // namespace flowplex::fit
