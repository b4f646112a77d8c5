#include "risk/slot_risk.hpp"

#include <algorithm>
#include <functional>

#include "risk/long_memory.hpp"
#include "risk/monthly_tests.hpp"
#include "risk/order_interval.hpp"
#include "risk/quantile.hpp"
#include "risk/sequent_peak.hpp"
#include "risk/validation.hpp"

namespace flowplex {
namespace {

// The drought figures as the tables name them, and how to read each of a realization.
struct DroughtStatistic {
  std::string_view name;
  std::function<float(const DroughtFigures&)> of;
};

const std::array<DroughtStatistic, 4> kDroughtStatistics{{
    {"events_per_century", [](const DroughtFigures& d) { return d.events_per_century; }},
    {"mean_duration", [](const DroughtFigures& d) { return d.mean_duration; }},
    {"longest_duration", [](const DroughtFigures& d) { return static_cast<float>(d.longest); }},
    {"largest_deficit", [](const DroughtFigures& d) { return d.largest_deficit; }},
}};

// One figure of every realization, as a sample.
template <typename Figures, typename Of>
std::vector<float> across(const std::vector<Figures>& figures, Of of) {
  std::vector<float> values;
  values.reserve(figures.size());
  for (const Figures& f : figures) values.push_back(of(f));
  return values;
}

// One lag of every realization's correlogram: the realizations that give it.
template <typename Correlogram>
std::vector<float> lag_across(const std::vector<Correlogram>& correlograms, std::size_t k) {
  std::vector<std::optional<float>> values;
  values.reserve(correlograms.size());
  for (const Correlogram& c : correlograms) values.push_back(c[k]);
  return given(values);
}

template <typename Correlogram>
void add_correlogram_rows(std::vector<BandRow>& rows, std::string_view series, const Correlogram& historical,
                          const std::vector<Correlogram>& generated, int n) {
  const std::optional<float> bound = n > 0 ? std::optional<float>(persistence_bound(n)) : std::nullopt;
  for (std::size_t k = 0; k < historical.size(); ++k)
    rows.push_back({series, static_cast<int>(k + 1), historical[k], bound, band_of(lag_across(generated, k))});
}

// The flows of month m (0 = October) of each of NY years, in year order.
std::vector<float> month_of(int NY, std::span<const float> x, std::size_t m) {
  std::vector<float> month(static_cast<std::size_t>(std::max(NY, 0)));
  for (std::size_t y = 0; y < month.size(); ++y) month[y] = x[kMonths * y + m];
  return month;
}

}  // namespace

FigureSet figure_set(int NY, std::span<const float> months, std::span<const float> annual, const SsiReference& ssi) {
  const LMomentRatios l = l_moment_ratios(annual);
  FigureSet f{hurst_exponent(annual), low_frequency_share(annual), l.l_cv, l.l_skewness, l.l_kurtosis};
  if (const auto d = ssi.figures(NY, months)) {
    f[kFirstSsiFigure] = d->events_per_century;
    f[kFirstSsiFigure + 1] = d->mean_duration;
    f[kFirstSsiFigure + 2] = d->mean_severity;
  }
  return f;
}

std::vector<float> annual_flows(int NY, std::span<const float> months) {
  std::vector<float> annual(static_cast<std::size_t>(std::max(NY, 0)));
  for (std::size_t y = 0; y < annual.size(); ++y) {
    long double sum = 0.0L;
    for (std::size_t m = 0; m < kMonths; ++m) sum += months[kMonths * y + m];
    annual[y] = static_cast<float>(sum);
  }
  return annual;
}

SlotRiskAnalysis::SlotRiskAnalysis(const StatisticsResult& test, std::span<const float> historical_months)
    : test_(test),
      thresholds_(drought_thresholds(test.NYH, historical_months)),
      historical_storage_(required_storages(test.NYH, historical_months, test.MAR)),
      historical_droughts_(drought_figures(test.NYH, historical_months, thresholds_)),
      historical_duration_(flow_duration(historical_months.first(static_cast<std::size_t>(kMonths * test.NYH)))),
      historical_monthly_(monthly_persistence(test.NYH, historical_months)),
      historical_annual_(annual_persistence(test.NYH, annual_flows(test.NYH, historical_months))),
      ssi_(test.NYH, historical_months),
      historical_figures_(figure_set(test.NYH, historical_months, annual_flows(test.NYH, historical_months), ssi_)) {
  for (std::size_t m = 0; m < kMonths; ++m) historical_by_month_[m] = month_of(test.NYH, historical_months, m);
}

RealizationFigures SlotRiskAnalysis::tested_realization(int r, std::span<const float> months) const {
  return figures_of(months, test_.storage[static_cast<std::size_t>(r - 1)]);
}

RealizationFigures SlotRiskAnalysis::realization(std::span<const float> months) const {
  return figures_of(months, required_storages(test_.NYS, months, test_.MAR));
}

RealizationFigures SlotRiskAnalysis::figures_of(std::span<const float> months, const StorageCurve& storage) const {
  const int NYS = test_.NYS;
  const std::span<const float> series = months.first(static_cast<std::size_t>(kMonths * NYS));
  const std::vector<float> annual = annual_flows(NYS, series);
  RealizationFigures f{storage,
                       drought_figures(NYS, series, thresholds_),
                       flow_duration(series),
                       monthly_persistence(NYS, series),
                       annual_persistence(NYS, annual),
                       figure_set(NYS, series, annual, ssi_),
                       {}};
  for (std::size_t m = 0; m < kMonths; ++m) {
    const std::vector<float> month = month_of(NYS, series, m);
    f.rejections[0][m] = mann_whitney_p(month, historical_by_month_[m]) < kRejectionLevel;
    f.rejections[1][m] = brown_forsythe_p(month, historical_by_month_[m]) < kRejectionLevel;
  }
  return f;
}

void SlotRiskAnalysis::add(RealizationFigures figures) {
  storage_.push_back(figures.storage);
  droughts_.push_back(figures.droughts);
  duration_.push_back(figures.duration);
  monthly_.push_back(std::move(figures.monthly));
  annual_.push_back(std::move(figures.annual));
  figures_.push_back(figures.figures);
  rejections_.push_back(figures.rejections);
}

std::vector<BandRow> SlotRiskAnalysis::figure_rows() const {
  std::vector<BandRow> rows;
  for (std::size_t i = 0; i < kFigureNames.size(); ++i) {
    std::vector<std::optional<float>> values;
    values.reserve(figures_.size());
    for (const FigureSet& f : figures_) values.push_back(f[i]);
    rows.push_back({kFigureNames[i], 0, historical_figures_[i], std::nullopt, band_of(given(values))});
  }
  return rows;
}

RejectedShares SlotRiskAnalysis::rejected_shares() const {
  RejectedShares shares{};
  if (rejections_.empty()) return shares;
  for (std::size_t t = 0; t < kMonthlyTestCount; ++t)
    for (std::size_t m = 0; m < kMonths; ++m) {
      const auto rejected = std::count_if(rejections_.begin(), rejections_.end(),
                                          [&](const MonthlyRejections& r) { return r[t][m]; });
      shares[t][m] = static_cast<float>(static_cast<double>(rejected) / static_cast<double>(rejections_.size()));
    }
  return shares;
}

std::vector<BandRow> SlotRiskAnalysis::drought_rows() const {
  std::vector<BandRow> rows;
  for (const DroughtStatistic& d : kDroughtStatistics)
    rows.push_back({d.name, 0, d.of(historical_droughts_), std::nullopt, band_of(across(droughts_, d.of))});
  return rows;
}

std::vector<BandRow> SlotRiskAnalysis::duration_rows() const {
  std::vector<BandRow> rows;
  for (std::size_t i = 0; i < kExceedances.size(); ++i)
    rows.push_back({"flow_duration", kExceedances[i], historical_duration_[i], std::nullopt,
                    band_of(across(duration_, [i](const DurationCurve& c) { return c[i]; }))});
  return rows;
}

std::vector<BandRow> SlotRiskAnalysis::persistence_rows() const {
  std::vector<BandRow> rows;
  add_correlogram_rows(rows, "monthly", historical_monthly_, monthly_, kMonths * test_.NYH);
  add_correlogram_rows(rows, "annual", historical_annual_, annual_, test_.NYH);
  return rows;
}

SlotRisk SlotRiskAnalysis::finish() const {
  SlotRisk risk;
  risk.slot = test_.slot;
  risk.gauge = test_.gauge;
  risk.name = test_.name;
  risk.NYH = test_.NYH;
  risk.NYS = test_.NYS;
  risk.MAR = test_.MAR;
  risk.drought_threshold = thresholds_;
  for (std::size_t L = 0; L < kYieldLevels; ++L) {
    ReliabilityRow row{test_.yield[L], historical_storage_[L], {}};
    const std::vector<float> storages = across(storage_, [L](const StorageCurve& c) { return c[L]; });
    for (std::size_t i = 0; i < kReliabilities.size(); ++i) {
      row.storage[i] = quantile(storages, kReliabilities[i]);
      const QuantileInterval interval = quantile_interval(storages, kReliabilities[i]);
      row.lower[i] = interval.lower;
      row.upper[i] = interval.upper;
    }
    risk.reliability.push_back(row);
  }
  risk.storage = storage_;
  risk.droughts = droughts_;
  risk.drought_rows = drought_rows();
  risk.flow_duration = duration_rows();
  risk.persistence = persistence_rows();
  risk.figures = figures_;
  risk.historical_figures = historical_figures_;
  risk.figure_rows = figure_rows();
  risk.hurst_expected_historical = anis_lloyd_hurst(test_.NYH);
  risk.hurst_expected = anis_lloyd_hurst(test_.NYS);
  risk.rejected = rejected_shares();
  risk.validation = validation_of(test_, risk);
  return risk;
}

}  // namespace flowplex
