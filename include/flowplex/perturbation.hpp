#pragma once
// Perturbed ensembles for climate stress tests: each gauge's annual flows scaled in mean
// (M) and variability (C) by Q' = a·Q^b, and optionally the months of every year shifted
// by twelve monthly factors. The perturbation acts through the generator's year hook, so
// realization k of a perturbed run uses the draws and historical years of realization k
// unperturbed (common random numbers): two scenarios differ by their factors alone.
#include <array>
#include <filesystem>
#include <istream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "flowplex/generation.hpp"
#include "flowplex/river_system.hpp"
#include "flowplex/year_hook.hpp"

namespace flowplex::api {

// The factors of one gauge. Monthly factors are October first; only their ratios matter.
struct GaugeFactors {
  double mean = 1.0;  // M > 0
  double cv = 1.0;    // C > 0
  std::optional<std::array<double, kMonthsPerYear>> months;

  bool scales_annual_flows() const { return mean != 1.0 || cv != 1.0; }
  bool identity() const { return !scales_annual_flows() && !months; }
  bool operator==(const GaugeFactors&) const = default;
};

// The factors of every gauge of a river system: those named by gauge number, and those
// of every gauge not named. A malformed text or file throws RequestError naming what is
// wrong (and, for a file, its line).
class Perturbation {
 public:
  Perturbation() = default;
  explicit Perturbation(GaugeFactors every_gauge, std::string given = {});

  // "mean=M,cv=C[,months=F1:...:F12]", acting on every gauge; a factor left out is 1.
  static Perturbation from_text(std::string_view text);
  // A CSV with the header "gauge,mean,cv,months": a row per gauge number, "*" for every
  // gauge not named, months empty or twelve factors joined by ':'. `name` names the
  // source in messages and in given().
  static Perturbation from_csv(std::istream& in, const std::string& name);
  static Perturbation read_file(const std::filesystem::path& file);

  void set(int gauge, const GaugeFactors& factors);
  void set_every_other_gauge(const GaugeFactors& factors);
  const GaugeFactors& of(int gauge) const;
  const GaugeFactors& every_other_gauge() const { return every_; }
  const std::map<int, GaugeFactors>& named_gauges() const { return named_; }
  bool identity() const;
  // What the console states: the --perturb text as given, or "FACTORS OF " and the file.
  const std::string& given() const { return given_; }

 private:
  GaugeFactors every_;
  std::map<int, GaugeFactors> named_;
  std::string given_;
};

// A gauge's annual flows as the perturbation sees them: the values of its reference
// distribution with their weights (summing to 1).
struct ReferenceFlows {
  std::vector<double> flow;
  std::vector<double> weight;
};

// Q' = a·Q^b on positive flows, zero kept; b = 1 multiplies every flow by a (= M),
// negative flows included. Computed as A·(Q/scale)^b, a = A·scale^-b, which keeps the
// powers of large flows finite.
struct AnnualTransform {
  double b = 1.0;
  double A = 1.0;
  double scale = 1.0;

  double a() const;
  double operator()(double Q) const;
};

// The reference distribution of gauge g's annual flows under the option (rigorous or
// bootstrap): it depends on the river system, the option and the gauge alone.
ReferenceFlows reference_flows(const RiverSystem& system, Option option, int gauge);

// The transform that gives the reference M times its mean and C times its coefficient of
// variation; RequestError when none can (C != 1 with flows below zero, C too small for
// the gauge's share of zero flows, a reference that does not vary).
AnnualTransform fit_transform(const ReferenceFlows& reference, double M, double C);

// The hook that perturbs the option's realizations of the river system, or null when
// every gauge's factors are the identity. RequestError, naming the gauge, for a gauge not
// in the river system, for the forecasting mode, for monthly factors on a gauge whose
// record holds a negative month, and where fit_transform finds no transform.
std::unique_ptr<YearHook> perturbation_hook(const RiverSystem& system, Option option, const Perturbation& perturbation);

}  // namespace flowplex::api
