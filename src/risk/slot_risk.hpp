#pragma once
// The risk analyses of one slot, fed realization by realization: each realization leaves
// only its own figures (storages, drought figures, flow-duration curve, correlograms),
// so an ensemble of any size streams through; finish() makes the tables.
#include <span>
#include <vector>

#include "risk/droughts.hpp"
#include "risk/flow_duration.hpp"
#include "risk/persistence.hpp"
#include "risk/results.hpp"
#include "risk/ssi.hpp"

namespace flowplex {

// The annual totals of NY years of monthly flows, each summed wider and then rounded,
// as the store keeps them.
std::vector<float> annual_flows(int NY, std::span<const float> months);

// The figures one realization leaves.
struct RealizationFigures {
  StorageCurve storage{};
  DroughtFigures droughts;
  DurationCurve duration;
  MonthlyCorrelogram monthly;
  AnnualCorrelogram annual;
  FigureSet figures{};
  MonthlyRejections rejections{};
};

// The validation figures of NY years of monthly flows and their annual totals, the SSI
// against the reference.
FigureSet figure_set(int NY, std::span<const float> months, std::span<const float> annual, const SsiReference& ssi);

class SlotRiskAnalysis {
 public:
  // The slot's statistics test, whose MAR and storages the analyses take, and its
  // historical monthly flows in time order (test.NYH years).
  SlotRiskAnalysis(const StatisticsResult& test, std::span<const float> historical_months);

  // The figures of realization r (1 to 41) of the statistics test, whose storages it
  // already holds, and of a realization beyond the test's, whose storages are formed here.
  // Both only read the analysis, so realizations can be taken side by side.
  RealizationFigures tested_realization(int r, std::span<const float> months) const;
  RealizationFigures realization(std::span<const float> months) const;
  // The figures of the next realization, in order.
  void add(RealizationFigures figures);

  SlotRisk finish() const;

 private:
  RealizationFigures figures_of(std::span<const float> months, const StorageCurve& storage) const;
  std::vector<BandRow> drought_rows() const;
  std::vector<BandRow> duration_rows() const;
  std::vector<BandRow> persistence_rows() const;
  std::vector<BandRow> figure_rows() const;
  RejectedShares rejected_shares() const;

  StatisticsResult test_;
  MonthlyThresholds thresholds_;
  StorageCurve historical_storage_;
  DroughtFigures historical_droughts_;
  DurationCurve historical_duration_;
  MonthlyCorrelogram historical_monthly_;
  AnnualCorrelogram historical_annual_;
  SsiReference ssi_;
  FigureSet historical_figures_;
  std::array<std::vector<float>, kMonths> historical_by_month_;  // each month's historical flows
  // The figures of each realization, in the order they came.
  std::vector<StorageCurve> storage_;
  std::vector<DroughtFigures> droughts_;
  std::vector<DurationCurve> duration_;
  std::vector<MonthlyCorrelogram> monthly_;
  std::vector<AnnualCorrelogram> annual_;
  std::vector<FigureSet> figures_;
  std::vector<MonthlyRejections> rejections_;
};

}  // namespace flowplex
