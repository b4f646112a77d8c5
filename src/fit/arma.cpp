#include "fit/arma.hpp"

#include <Eigen/Dense>
#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>
#include <optional>

#include "fit/johnson.hpp"
#include "fit/optimiser.hpp"

namespace flowplex::fit {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kMinusInfinity = -std::numeric_limits<double>::infinity();
// Partial autocorrelations are searched inside (-kEdge, kEdge): the fitted models stay
// clear of the edge of the stationary and invertible region.
constexpr double kEdge = 0.99;
constexpr int kStateSize = kMaxArmaOrder + 1;
// Points a side of the coarse grid of starting points.
constexpr int kGridSteps = 3;
// The state is always held at its largest size: the rows and columns a smaller model
// does not use stay zero and change neither the filter nor the likelihood.
using State = Eigen::Matrix<double, kStateSize, 1>;
using StateMatrix = Eigen::Matrix<double, kStateSize, kStateSize>;

// A polynomial 1 - c1 B - c2 B^2 of order 2 or less has its roots outside the unit circle.
bool roots_outside(int order, const std::array<double, 2>& c) {
  if (order == 0) return true;
  if (order == 1) return std::abs(c[0]) < 1.0;
  return std::abs(c[1]) < 1.0 && c[0] + c[1] < 1.0 && c[1] - c[0] < 1.0;
}

// Coefficients of order 1 or 2 from partial autocorrelations inside (-1, 1): every such
// point is stationary (or invertible), and every stationary polynomial has one.
std::array<double, 2> from_partials(int order, const double* r) {
  if (order == 1) return {r[0], 0.0};
  if (order == 2) return {r[0] * (1.0 - r[1]), r[1]};
  return {0.0, 0.0};
}

// The state-space form: state a(t) of size max(p, q + 1), y(t) its first element,
// a(t+1) = T a(t) + R e(t+1).
struct StateSpace {
  StateMatrix T = StateMatrix::Zero();
  State R = State::Zero();
};

StateSpace state_space(const ArmaCoefficients& c) {
  StateSpace m;
  for (int i = 0; i < c.p; ++i) m.T(i, 0) = c.phi[static_cast<std::size_t>(i)];
  for (int i = 0; i + 1 < kStateSize; ++i) m.T(i, i + 1) = 1.0;
  m.R(0) = 1.0;
  for (int i = 0; i < c.q; ++i) m.R(i + 1) = -c.theta[static_cast<std::size_t>(i)];
  return m;
}

// The stationary state covariance P = T P T' + R R', by the Kronecker form.
StateMatrix stationary_covariance(const StateSpace& m) {
  constexpr int r = kStateSize;
  using Kronecker = Eigen::Matrix<double, r * r, r * r>;
  Kronecker A = Kronecker::Identity();
  for (int i = 0; i < r; ++i)
    for (int j = 0; j < r; ++j)
      for (int k = 0; k < r; ++k)
        for (int l = 0; l < r; ++l) A(i * r + k, j * r + l) -= m.T(i, j) * m.T(k, l);
  Eigen::Matrix<double, r * r, 1> b;
  for (int i = 0; i < r; ++i)
    for (int k = 0; k < r; ++k) b(i * r + k) = m.R(i) * m.R(k);
  const Eigen::Matrix<double, r * r, 1> x = A.partialPivLu().solve(b);
  StateMatrix P;
  for (int i = 0; i < r; ++i)
    for (int k = 0; k < r; ++k) P(i, k) = x(i * r + k);
  return P;
}

struct Filtered {
  double sum_scaled_squares = 0.0;  // sum of v^2 / F
  double sum_log_f = 0.0;
  std::vector<double> innovations;
  std::vector<double> standardised;
};

// The Kalman filter for unit innovation variance. Once the gain has settled the
// covariance is no longer updated: it changes nothing after that point.
Filtered kalman_filter(std::span<const double> y, const ArmaCoefficients& c, bool keep) {
  const StateSpace m = state_space(c);
  StateMatrix P = stationary_covariance(m);
  const StateMatrix RR = m.R * m.R.transpose();
  State a = State::Zero();
  Filtered out;
  bool settled = false;
  for (const double yt : y) {
    const double F = P(0, 0);
    const double v = yt - a(0);
    const State K = m.T * P.col(0) / F;
    out.sum_scaled_squares += v * v / F;
    out.sum_log_f += std::log(F);
    if (keep) {
      out.innovations.push_back(v);
      out.standardised.push_back(v / std::sqrt(F));
    }
    a = m.T * a + K * v;
    if (!settled) {
      const StateMatrix next = m.T * P * m.T.transpose() + RR - K * K.transpose() * F;
      settled = (next - P).cwiseAbs().maxCoeff() < 1.0e-13;
      P = next;
    }
  }
  return out;
}

double log_likelihood_of(const Filtered& f, std::size_t n) {
  const double N = static_cast<double>(n);
  const double variance = f.sum_scaled_squares / N;
  return -0.5 * N * (std::log(2.0 * std::numbers::pi) + 1.0 + std::log(variance)) - 0.5 * f.sum_log_f;
}

ArmaCoefficients coefficients_at(int p, int q, const std::vector<double>& partials) {
  ArmaCoefficients c{p, q, {}, {}};
  c.phi = from_partials(p, partials.data());
  c.theta = from_partials(q, partials.data() + p);
  return c;
}

// Inverts the partial-autocorrelation map of order 2: r2 = c2, r1 = c1 / (1 - c2).
std::vector<double> partials_of(const ArmaCoefficients& c) {
  std::vector<double> r;
  const auto add = [&](int order, const std::array<double, 2>& k) {
    if (order == 1) r.push_back(k[0]);
    if (order == 2) {
      r.push_back(k[0] / (1.0 - k[1]));
      r.push_back(k[1]);
    }
  };
  add(c.p, c.phi);
  add(c.q, c.theta);
  for (double& v : r) v = std::clamp(v, -kEdge, kEdge);
  return r;
}

// Standard errors from the inverse of the curvature of the concentrated likelihood,
// by central differences in the coefficients themselves.
void standard_errors(std::span<const double> y, ArmaFit& fit) {
  const ArmaCoefficients& c = fit.model;
  const int k = c.p + c.q;
  fit.phi_se = {kNaN, kNaN};
  fit.theta_se = {kNaN, kNaN};
  if (k == 0) return;
  constexpr double h = 1.0e-4;
  const auto ll = [&](int i, double di, int j, double dj) {
    ArmaCoefficients shifted = fit.model;
    std::vector<double*> at;
    for (int a = 0; a < shifted.p; ++a) at.push_back(&shifted.phi[static_cast<std::size_t>(a)]);
    for (int a = 0; a < shifted.q; ++a) at.push_back(&shifted.theta[static_cast<std::size_t>(a)]);
    *at[static_cast<std::size_t>(i)] += di;
    *at[static_cast<std::size_t>(j)] += dj;
    return concentrated_log_likelihood(y, shifted);
  };
  Eigen::MatrixXd H(k, k);
  for (int i = 0; i < k; ++i)
    for (int j = i; j < k; ++j) {
      const double d = (ll(i, h, j, h) - ll(i, h, j, -h) - ll(i, -h, j, h) + ll(i, -h, j, -h)) / (4.0 * h * h);
      H(i, j) = H(j, i) = -d;
    }
  const Eigen::LLT<Eigen::MatrixXd> llt(H);
  if (llt.info() != Eigen::Success || !H.allFinite()) return;
  const Eigen::MatrixXd covariance = llt.solve(Eigen::MatrixXd::Identity(k, k));
  for (int i = 0; i < k; ++i) {
    const double se = std::sqrt(covariance(i, i));
    if (i < c.p) fit.phi_se[static_cast<std::size_t>(i)] = se;
    else fit.theta_se[static_cast<std::size_t>(i - c.p)] = se;
  }
}

// The inverse roots of 1 - c1 B - c2 B^2 (the roots of z^2 - c1 z - c2), none for order 0.
std::vector<std::complex<double>> inverse_roots(int order, const std::array<double, 2>& c) {
  if (order == 0) return {};
  if (order == 1) return {c[0]};
  const std::complex<double> d = std::sqrt(std::complex<double>(c[0] * c[0] + 4.0 * c[1]));
  return {(c[0] + d) / 2.0, (c[0] - d) / 2.0};
}

// An autoregressive and a moving-average root this close nearly cancel: the model is
// then a simpler one in disguise, fitted to a chance feature of the record.
constexpr double kCancellingRoots = 0.2;

bool nearly_cancelling(const ArmaCoefficients& c) {
  for (const auto& a : inverse_roots(c.p, c.phi))
    for (const auto& m : inverse_roots(c.q, c.theta))
      if (std::abs(a - m) < kCancellingRoots) return true;
  return false;
}

// Whether a fitted model ended against the edge of the search.
bool at_search_edge(const ArmaCoefficients& c) {
  for (const double r : partials_of(c))
    if (std::abs(r) > kEdge - 1.0e-3) return true;
  return false;
}

}  // namespace

bool stationary_and_invertible(const ArmaCoefficients& c) { return roots_outside(c.p, c.phi) && roots_outside(c.q, c.theta); }

double concentrated_log_likelihood(std::span<const double> y, const ArmaCoefficients& c) {
  if (!stationary_and_invertible(c)) return kMinusInfinity;
  const double ll = log_likelihood_of(kalman_filter(y, c, false), y.size());
  return std::isfinite(ll) ? ll : kMinusInfinity;
}

ArmaFit fit_arma(std::span<const double> y, int p, int q) {
  ArmaFit fit;
  fit.model = {p, q, {}, {}};
  const int k = p + q;
  if (k > 0) {
    const Objective objective = [&](const std::vector<double>& r) {
      return concentrated_log_likelihood(y, coefficients_at(p, q, r));
    };
    const std::vector<double> lower(static_cast<std::size_t>(k), -kEdge);
    const std::vector<double> upper(static_cast<std::size_t>(k), kEdge);
    // From white noise, from the autoregression the sample autocorrelations imply and
    // from the best point of a coarse grid: mixed models often have several maxima.
    ArmaCoefficients guess{p, q, {}, {}};
    const double r1 = sample_autocorrelation(y, 1);
    const double r2 = std::clamp((sample_autocorrelation(y, 2) - r1 * r1) / (1.0 - r1 * r1), -0.9, 0.9);
    guess.phi = from_partials(p, std::array{std::clamp(r1, -0.9, 0.9), r2}.data());
    const std::vector<double> grid_lower(static_cast<std::size_t>(k), -0.9);
    const std::vector<double> grid_upper(static_cast<std::size_t>(k), 0.9);
    const std::array<std::vector<double>, 3> starts{std::vector<double>(static_cast<std::size_t>(k), 0.0), partials_of(guess),
                                                    best_on_grid(objective, grid_lower, grid_upper, kGridSteps)};
    std::optional<Maximum> best;
    for (const std::vector<double>& start : starts) {
      Maximum m = maximise(objective, start, lower, upper);
      // A maximum inside the region is preferred to a higher one on its edge.
      const bool inside = !at_search_edge(coefficients_at(p, q, m.at));
      const bool best_inside = best && !at_search_edge(coefficients_at(p, q, best->at));
      if (!best || (inside && !best_inside) || (inside == best_inside && m.value > best->value)) best = std::move(m);
    }
    fit.model = coefficients_at(p, q, best->at);
  }
  const Filtered f = kalman_filter(y, fit.model, true);
  fit.innovation_variance = f.sum_scaled_squares / static_cast<double>(y.size());
  fit.log_likelihood = log_likelihood_of(f, y.size());
  fit.aicc = aicc(fit.log_likelihood, k + 1, static_cast<int>(y.size()));
  fit.innovations = f.innovations;
  fit.standardised = f.standardised;
  standard_errors(y, fit);
  return fit;
}

ArmaFit choose_arma(std::span<const double> y) {
  ArmaFit best = fit_arma(y, 0, 0);
  for (int p = 0; p <= kMaxArmaOrder; ++p)
    for (int q = 0; q <= kMaxArmaOrder; ++q) {
      if (p + q == 0) continue;
      ArmaFit candidate = fit_arma(y, p, q);
      // A maximum on the edge of the region is no interior maximum; like a model with
      // nearly cancelling roots, it typically fits one chance peak of the periodogram.
      if (candidate.aicc < best.aicc && !at_search_edge(candidate.model) && !nearly_cancelling(candidate.model))
        best = std::move(candidate);
    }
  return best;
}

std::vector<double> psi_weights(const ArmaCoefficients& c, int count) {
  std::vector<double> psi(static_cast<std::size_t>(count), 0.0);
  for (int k = 0; k < count; ++k) {
    double v = k == 0 ? 1.0 : 0.0;
    for (int i = 1; i <= c.p && i <= k; ++i) v += c.phi[static_cast<std::size_t>(i - 1)] * psi[static_cast<std::size_t>(k - i)];
    if (k >= 1 && k <= c.q) v -= c.theta[static_cast<std::size_t>(k - 1)];
    psi[static_cast<std::size_t>(k)] = v;
  }
  return psi;
}

std::vector<double> psi_weights(const ArmaCoefficients& c) {
  // Partial autocorrelations within 0.99 leave roots at least that far inside: the
  // weights fall below 1e-15 of the first well within this length.
  constexpr int kLength = 6000;
  std::vector<double> psi = psi_weights(c, kLength);
  std::size_t used = psi.size();
  while (used > 3 && std::abs(psi[used - 1]) < 1.0e-16 && std::abs(psi[used - 2]) < 1.0e-16) --used;
  psi.resize(used);
  return psi;
}

double unit_innovation_variance(const ArmaCoefficients& c) {
  double sum = 0.0;
  for (const double v : psi_weights(c)) sum += v * v;
  return sum;
}

double model_autocorrelation(const ArmaCoefficients& c, int lag) {
  const std::vector<double> psi = psi_weights(c);
  double at_lag = 0.0;
  double at_zero = 0.0;
  for (std::size_t k = 0; k < psi.size(); ++k) {
    at_zero += psi[k] * psi[k];
    if (k + static_cast<std::size_t>(lag) < psi.size()) at_lag += psi[k] * psi[k + static_cast<std::size_t>(lag)];
  }
  return at_lag / at_zero;
}

double sample_autocorrelation(std::span<const double> y, int lag) {
  const double n = static_cast<double>(y.size());
  double mean = 0.0;
  for (const double v : y) mean += v;
  mean /= n;
  double c0 = 0.0;
  double ck = 0.0;
  for (std::size_t t = 0; t < y.size(); ++t) {
    c0 += (y[t] - mean) * (y[t] - mean);
    if (t + static_cast<std::size_t>(lag) < y.size()) ck += (y[t] - mean) * (y[t + static_cast<std::size_t>(lag)] - mean);
  }
  return c0 > 0.0 ? ck / c0 : 0.0;
}

}  // namespace flowplex::fit
