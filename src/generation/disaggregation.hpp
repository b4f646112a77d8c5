#pragma once
// Monthly disaggregation by the method of fragments, and the end-member regressions
// of its extended mode.
#include <span>

#include "report/console.hpp"
#include "store/disaggregation_mode.hpp"
#include "store/generator_state.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Indexes every gauge's ranked record against its stored years (the last step of the
// load, and again whenever the records change): disagg looks positions up there.
void index_ranked_records(RiverSystem& river);

// Splits gauge k's annual flow Q into twelve monthly flows by the pattern of the
// stored year in.IYSEL. The extended mode also fills the monthly rainfall, nets
// afforestation and irrigation off the flows and counts the months set to zero.
void disagg(const RiverSystem& river, IndicBlock& in, LineWriter& con, int k, double Q,
            Arr<double, kMonths>& monthly, Arr<double, kMonths>& rainfall, Disaggregation mode,
            int& negative_months);

// Twelve monthly values of secondary series `series` (1 rainfall, 2 afforestation,
// 3 irrigation) of gauge k for the year last disaggregated.
void disag2(const RiverSystem& river, const IndicBlock& in, const SeriesBlock& block, Arr<double, kMonths>& out,
            int k, int series, double Q);

// Least-squares line y = intercept + slope * x over the n pairs.
void linreg(std::span<const double> x, std::span<const double> y, int n, double& intercept,
            double& slope);

// Fits the end-member regressions of every gauge (the last step of the load).
void fit_regressions(RiverSystem& river);

}  // namespace flowplex
