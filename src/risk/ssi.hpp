#pragma once
// SSI-12 droughts. The 12-month running sums of a monthly series (the sum of each month
// and the eleven before it, from the twelfth month on) are standardised through the
// empirical distribution of the historical record's 12-month sums: a sum reached or
// exceeded by c of the n historical sums (c of them at or below it) stands at the Weibull
// plotting position c / (n + 1), and its SSI is the standard normal quantile of that
// probability. A sum below the smallest historical sum takes the lowest position 1 / (n + 1),
// one at or above the largest the highest n / (n + 1): generated droughts are measured
// against the climate of the record, and no sum lies beyond its extremes.
//
// An event is a maximal run of months whose SSI is below -1 (one still running when the
// series ends included); its severity is the sum of -SSI over its months. Events per
// century are events x 100 / years; the mean duration (months) and mean severity are per
// event, 0 without one.
#include <optional>
#include <span>
#include <vector>

namespace flowplex {

// The 12-month running sums of the NY years of monthly flows x, in double precision,
// each summed month by month.
std::vector<double> running_sums_12(int NY, std::span<const float> x);

struct SsiFigures {
  float events_per_century = 0.0F;
  float mean_duration = 0.0F;
  float mean_severity = 0.0F;
};

class SsiReference {
 public:
  // From the NY years of historical monthly flows.
  SsiReference(int NY, std::span<const float> historical);
  // The SSI of a 12-month sum.
  double ssi(double sum) const;
  // The figures of NY years of monthly flows; none where the record holds no 12-month sum
  // or the series none.
  std::optional<SsiFigures> figures(int NY, std::span<const float> x) const;

 private:
  std::vector<double> sorted_;  // the historical 12-month sums, smallest first
};

}  // namespace flowplex
