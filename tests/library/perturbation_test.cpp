// Perturbed realizations of the example river system: the factors as users give them,
// the transform on each gauge's reference, and the realizations the hook makes against
// the unperturbed ones on the same draws.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <functional>
#include <sstream>

#include "flowplex/generation.hpp"
#include "flowplex/perturbation.hpp"
#include "store/river_system.hpp"

namespace flowplex::api {
namespace {

const RiverSystem& example() {
  static const RiverSystem system = RiverSystem::open(FLOWPLEX_SOURCE_DIR "/examples");
  return system;
}

std::string refusal(const std::function<void()>& step) {
  try {
    step();
  } catch (const RequestError& e) {
    return e.what();
  }
  return "(accepted)";
}

Perturbation csv(const std::string& text) {
  std::istringstream in(text);
  return Perturbation::from_csv(in, "f.csv");
}

struct Weighted {
  double mean = 0.0;
  double cv = 0.0;
};

Weighted weighted(const std::vector<double>& x, const std::vector<double>& w) {
  double mean = 0.0, variance = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) mean += w[i] * x[i];
  for (std::size_t i = 0; i < x.size(); ++i) variance += w[i] * (x[i] - mean) * (x[i] - mean);
  return {mean, std::sqrt(variance) / mean};
}

constexpr std::array<std::pair<double, double>, 4> kFactorPairs{{{0.8, 0.8}, {0.8, 1.25}, {1.2, 0.8}, {1.2, 1.25}}};

TEST(PerturbationFactors, ReadFromTheFlagAndTheFile) {
  const Perturbation text = Perturbation::from_text("mean=0.8,months=1:1:1:1:1:1:1:1:1:2:2:2");
  EXPECT_EQ(text.of(3).mean, 0.8);
  EXPECT_EQ(text.of(3).cv, 1.0);  // left out: 1
  EXPECT_EQ((*text.of(1).months)[9], 2.0);
  EXPECT_EQ(text.given(), "mean=0.8,months=1:1:1:1:1:1:1:1:1:2:2:2");

  const Perturbation file = csv("gauge,mean,cv,months\r\n2,0.9,1.1,\n\n*,1.2,0.8,1:2:3:4:5:6:7:8:9:10:11:12\n");
  EXPECT_EQ(file.of(2), (GaugeFactors{0.9, 1.1, std::nullopt}));
  EXPECT_EQ(file.of(4).mean, 1.2);
  EXPECT_EQ((*file.of(5).months)[11], 12.0);
  EXPECT_EQ(file.given(), "FACTORS OF f.csv");
  EXPECT_TRUE(Perturbation::from_text("mean=1,cv=1").identity());
  EXPECT_FALSE(Perturbation::from_text("months=1:1:1:1:1:1:1:1:1:1:1:1").identity());
}

TEST(PerturbationFactors, RefuseMalformedFactorsNamingThem) {
  const auto text = [](const char* t) { return refusal([&] { Perturbation::from_text(t); }); };
  EXPECT_NE(text("mean=0,cv=1").find("not above 0"), std::string::npos);
  EXPECT_NE(text("mean=-0.5").find("not above 0"), std::string::npos);
  EXPECT_NE(text("mean=abc").find("\"abc\" is not a number"), std::string::npos);
  EXPECT_NE(text("cv=nan").find("not a number"), std::string::npos);
  EXPECT_NE(text("cv=1e999").find("not a number"), std::string::npos);
  EXPECT_NE(text("mean=0.8x").find("not a number"), std::string::npos);
  EXPECT_NE(text("mean=0.8,mean=0.9").find("mean is given twice"), std::string::npos);
  EXPECT_NE(text("months=1:1:1").find("twelve positive numbers"), std::string::npos);
  EXPECT_NE(text("months=1:1:1:1:1:1:1:1:1:1:1:0").find("not above 0"), std::string::npos);
  EXPECT_NE(text("scale=2").find("is not mean=M"), std::string::npos);
  EXPECT_NE(text("").find("is not mean=M"), std::string::npos);

  const auto file = [](const std::string& t) { return refusal([&] { csv(t); }); };
  EXPECT_EQ(file("2,0.9,1,\n"), "f.csv line 1: the header gauge,mean,cv,months is missing");
  EXPECT_EQ(file("gauge,mean,cv,months\n2,0.9,1\n"), "f.csv line 2: a row holds four fields, gauge,mean,cv,months");
  EXPECT_NE(file("gauge,mean,cv,months\n1,1,1,\nx,1,1,\n").find("f.csv line 3: the gauge \"x\""), std::string::npos);
  EXPECT_NE(file("gauge,mean,cv,months\n0,1,1,\n").find("line 2"), std::string::npos);
  EXPECT_EQ(file("gauge,mean,cv,months\n3,1,1,\n3,0.9,1,\n"), "f.csv line 3: gauge 3 is given twice");
  EXPECT_EQ(file("gauge,mean,cv,months\n*,1,1,\n*,0.9,1,\n"), "f.csv line 3: * is given twice");
  EXPECT_NE(file("gauge,mean,cv,months\n1,,1,\n").find("line 2: the mean factor \"\" is not a number"),
            std::string::npos);
  EXPECT_NE(refusal([] { Perturbation::read_file("/nonexistent/f.csv"); }).find("cannot read"), std::string::npos);
}

// On the reference of every gauge, under both options, the transform meets the factors.
TEST(PerturbationTransform, MeetsBothFactorsOnEveryGaugesReference) {
  for (const Option option : {Option::rigorous, Option::bootstrap})
    for (int g = 1; g <= 5; ++g) {
      const ReferenceFlows r = reference_flows(example(), option, g);
      const Weighted today = weighted(r.flow, r.weight);
      for (const auto& [M, C] : kFactorPairs) {
        const AnnualTransform t = fit_transform(r, M, C);
        std::vector<double> perturbed;
        for (const double q : r.flow) perturbed.push_back(t(q));
        const Weighted after = weighted(perturbed, r.weight);
        EXPECT_NEAR(after.mean / (M * today.mean), 1.0, 1e-9) << option_name(option) << " gauge " << g;
        EXPECT_NEAR(after.cv / (C * today.cv), 1.0, 1e-9) << option_name(option) << " gauge " << g;
        EXPECT_NEAR(t.a() * std::pow(r.flow.back(), t.b), t(r.flow.back()), 1e-9 * t(r.flow.back()));
      }
    }
}

TEST(PerturbationTransform, KeepsZeroAndScalesEveryFlowByMWhenOnlyTheMeanChanges) {
  const AnnualTransform mean_only = fit_transform({{-2.0, 0.0, 3.0}, {0.2, 0.3, 0.5}}, 0.8, 1.0);
  EXPECT_EQ(mean_only(-2.0), 0.8 * -2.0);
  EXPECT_EQ(mean_only(3.0), 0.8 * 3.0);
  const AnnualTransform t = fit_transform({{0.0, 1.0, 2.0, 5.0}, {0.1, 0.3, 0.3, 0.3}}, 1.2, 1.25);
  EXPECT_EQ(t(0.0), 0.0);
}

TEST(PerturbationTransform, RefusesWhatNoPowerCanScale) {
  EXPECT_NE(refusal([] { fit_transform({{-1.0, 2.0, 3.0}, {0.3, 0.3, 0.4}}, 1.0, 1.2); }).find("below zero"),
            std::string::npos);
  EXPECT_NE(refusal([] { fit_transform({{2.0, 2.0}, {0.5, 0.5}}, 1.0, 1.2); }).find("do not vary"),
            std::string::npos);
  // Half the years dry: the zero flows alone give a CV of 1, which no power lowers.
  EXPECT_NE(refusal([] { fit_transform({{0.0, 1.0, 2.0}, {0.5, 0.25, 0.25}}, 1.0, 0.5); }).find("zero flows"),
            std::string::npos);
}

TEST(PerturbationHook, RefusesGaugesOutsideTheSystemAndTheForecastingMode) {
  Perturbation p = Perturbation::from_text("mean=0.9");
  EXPECT_EQ(refusal([&] { perturbation_hook(example(), Option::forecast, p); }),
            "the forecasting mode takes no perturbation");
  p.set(9, GaugeFactors{1.1, 1.0, std::nullopt});
  EXPECT_EQ(refusal([&] { perturbation_hook(example(), Option::rigorous, p); }),
            "gauge 9 is not in the river system, which holds 5 gauges");
  EXPECT_EQ(perturbation_hook(example(), Option::rigorous, Perturbation::from_text("mean=1,cv=1")), nullptr);
}

std::vector<Realization> realizations(Option option, int years, int count, const YearHook* hook) {
  GenerationRequest request;
  request.option = option;
  request.years = years;
  request.last = count;
  request.hook = hook;
  return make_realizations(example(), request);
}

TEST(PerturbedRealizations, MeanOnlyScalesEveryFlowAndKeepsTheIndexYears) {
  for (const Option option : {Option::rigorous, Option::bootstrap}) {
    const auto hook = perturbation_hook(example(), option, Perturbation::from_text("mean=0.8"));
    const auto today = realizations(option, 20, 3, nullptr);
    const auto scaled = realizations(option, 20, 3, hook.get());
    for (std::size_t k = 0; k < today.size(); ++k) {
      EXPECT_EQ(scaled[k].index_year, today[k].index_year);
      EXPECT_EQ(scaled[k].start_state, today[k].start_state);
      for (std::size_t i = 0; i < today[k].flow.size(); ++i)
        ASSERT_FLOAT_EQ(scaled[k].flow[i], 0.8F * today[k].flow[i]) << option_name(option) << " value " << i;
    }
  }
}

// Within each realization, whether year y1's annual flow lies below year y2's.
void expect_same_order(const Realization& today, const Realization& perturbed, int g) {
  for (int y1 = 1; y1 <= today.NYS; ++y1)
    for (int y2 = 1; y2 <= today.NYS; ++y2) {
      const float a = today.annual(g, y1), b = today.annual(g, y2);
      if (a < b * (1.0F - 1e-5F)) {
        EXPECT_LT(perturbed.annual(g, y1), perturbed.annual(g, y2)) << "gauge " << g;
      }
    }
}

TEST(PerturbedRealizations, KeepTheIndexYearsAndTheOrderOfEachGaugesAnnualFlows) {
  for (const Option option : {Option::rigorous, Option::bootstrap}) {
    const auto today = realizations(option, 30, 2, nullptr);
    for (const auto& [M, C] : kFactorPairs) {
      const auto hook = perturbation_hook(example(), option, Perturbation(GaugeFactors{M, C, std::nullopt}));
      const auto perturbed = realizations(option, 30, 2, hook.get());
      for (std::size_t k = 0; k < today.size(); ++k) {
        EXPECT_EQ(perturbed[k].index_year, today[k].index_year);
        for (int g = 1; g <= 5; ++g) expect_same_order(today[k], perturbed[k], g);
      }
    }
  }
}

TEST(PerturbedRealizations, MonthlyFactorsReshapeTheMonthsAndKeepEveryYearsTotal) {
  const std::array<double, 12> F{1, 1, 1.5, 2, 2, 1.5, 1, 0.5, 0.5, 0.5, 0.5, 1};
  for (const Option option : {Option::rigorous, Option::bootstrap}) {
    const auto hook = perturbation_hook(example(), option, Perturbation(GaugeFactors{1.0, 1.0, F}));
    const Realization today = realizations(option, 20, 1, nullptr)[0];
    const Realization shifted = realizations(option, 20, 1, hook.get())[0];
    for (int g = 1; g <= 5; ++g)
      for (int y = 1; y <= 20; ++y) {
        double total = 0.0, weighted = 0.0;
        for (int m = 1; m <= 12; ++m) {
          total += today.at(g, m, y);
          weighted += today.at(g, m, y) * F[static_cast<std::size_t>(m - 1)];
        }
        EXPECT_NEAR(shifted.annual(g, y), today.annual(g, y), 1e-5 * std::fabs(today.annual(g, y)) + 1e-6);
        for (int m = 1; m <= 12; ++m) {
          const double expected = weighted == 0.0 ? today.at(g, m, y)
                                                  : today.at(g, m, y) * F[static_cast<std::size_t>(m - 1)] *
                                                        total / weighted;
          EXPECT_NEAR(shifted.at(g, m, y), expected, 1e-5 * std::fabs(expected) + 1e-6) << g << " " << m << " " << y;
        }
      }
  }
}

// Passes every year's unperturbed annual flows on untouched, and keeps them and what each
// scenario's hook makes of them: one pass over the draws serves every scenario.
class RecordingHook final : public YearHook {
 public:
  explicit RecordingHook(std::vector<std::unique_ptr<YearHook>> scenarios)
      : scenarios_(std::move(scenarios)), made_(scenarios_.size()) {}
  void annual_flows(std::span<double> annual, int selected_year) const override {
    today_.insert(today_.end(), annual.begin(), annual.end());
    for (std::size_t i = 0; i < scenarios_.size(); ++i) {
      std::vector<double> copy(annual.begin(), annual.end());
      scenarios_[i]->annual_flows(copy, selected_year);
      made_[i].insert(made_[i].end(), copy.begin(), copy.end());
    }
  }
  void months(int, std::span<double>) const override {}
  const std::vector<double>& today() const { return today_; }
  const std::vector<double>& made(std::size_t i) const { return made_[i]; }

 private:
  std::vector<std::unique_ptr<YearHook>> scenarios_;
  mutable std::vector<double> today_;
  mutable std::vector<std::vector<double>> made_;
};

// A statistic of the realization-years of one gauge, and its standard error by the
// jackknife over groups of whole realizations (the years of one realization are not
// independent).
struct Estimate {
  double value;
  double standard_error;
};

template <typename Statistic>
Estimate jackknife(int realizations, int years, Statistic statistic) {
  constexpr int kGroups = 50;
  const int per_group = realizations / kGroups;
  const double all = statistic(-1, per_group * years);
  std::vector<double> left_out;
  for (int i = 0; i < kGroups; ++i) left_out.push_back(statistic(i * per_group * years, per_group * years));
  const double mean = std::accumulate(left_out.begin(), left_out.end(), 0.0) / kGroups;
  double sum = 0.0;
  for (const double v : left_out) sum += (v - mean) * (v - mean);
  return {all, std::sqrt((kGroups - 1.0) / kGroups * sum)};
}

struct Pooled {
  double mean;
  double cv;
};

// Gauge g's pooled mean and CV over the recorded years, leaving out `count` years from
// `skip` (none when skip < 0).
Pooled pooled(const std::vector<double>& flows, int gauges, int g, int skip, int count) {
  double n = 0.0, sum = 0.0, squares = 0.0;
  for (std::size_t i = static_cast<std::size_t>(g - 1), year = 0; i < flows.size(); i += gauges, ++year) {
    if (skip >= 0 && year >= static_cast<std::size_t>(skip) && year < static_cast<std::size_t>(skip + count)) continue;
    n += 1.0;
    sum += flows[i];
    squares += flows[i] * flows[i];
  }
  const double mean = sum / n;
  return {mean, std::sqrt((squares / n - mean * mean) * n / (n - 1.0)) / mean};
}

// The gap between the perturbed ensemble's statistic and the factor times the unperturbed
// one lies within 3 standard errors of the perturbed statistic. With `paired`, also within
// 3 standard errors of the gap itself: the draws are common, so that error is several
// times smaller, and it tells a reference that misses the model's own marginal.
void expect_within_three_errors(const std::vector<double>& made, const std::vector<double>& today, int g,
                                double factor, bool mean, bool paired, const std::string& what) {
  constexpr int kRealizations = 1000, kYears = 5;
  const auto stat = [&](const std::vector<double>& flows, int skip, int count) {
    const Pooled p = pooled(flows, 5, g, skip, count);
    return mean ? p.mean : p.cv;
  };
  const Estimate gap = jackknife(kRealizations, kYears, [&](int skip, int count) {
    return stat(made, skip, count) - factor * stat(today, skip, count);
  });
  const Estimate perturbed = jackknife(kRealizations, kYears, [&](int skip, int count) { return stat(made, skip, count); });
  EXPECT_LE(std::fabs(gap.value), 3.0 * perturbed.standard_error) << what;
  if (paired) {
    EXPECT_LE(std::fabs(gap.value), 3.0 * gap.standard_error) << what << " (paired)";
  }
}

void expect_ensemble_meets_factors(Option option, const std::vector<int>& gauges) {
  constexpr int kRealizations = 1000, kYears = 5;
  std::vector<std::unique_ptr<YearHook>> scenarios;
  for (const auto& [M, C] : kFactorPairs)
    scenarios.push_back(perturbation_hook(example(), option, Perturbation(GaugeFactors{M, C, std::nullopt})));
  RecordingHook recorder(std::move(scenarios));
  realizations(option, kYears, kRealizations, &recorder);
  ASSERT_EQ(recorder.today().size(), static_cast<std::size_t>(kRealizations * kYears * 5));
  for (std::size_t s = 0; s < kFactorPairs.size(); ++s) {
    const auto [M, C] = kFactorPairs[s];
    for (const int g : gauges) {
      const std::string what = std::string(option_name(option)) + " gauge " + std::to_string(g) + " M " +
                               std::to_string(M) + " C " + std::to_string(C);
      const bool paired = option == Option::rigorous;
      expect_within_three_errors(recorder.made(s), recorder.today(), g, M, true, paired, what + " mean");
      expect_within_three_errors(recorder.made(s), recorder.today(), g, C, false, paired, what + " CV");
    }
  }
}

TEST(PerturbedEnsemble, MeetsTheFactorsOverAThousandRealizations) {
  std::vector<int> modelled;
  for (const Gauge& g : example().gauges())
    if (example().blocks().ANN.ITRANS(g.number) != 0) modelled.push_back(g.number);
  ASSERT_FALSE(modelled.empty());
  expect_ensemble_meets_factors(Option::rigorous, modelled);
  expect_ensemble_meets_factors(Option::bootstrap, {1, 2, 3, 4, 5});
}

}  // namespace
}  // namespace flowplex::api
