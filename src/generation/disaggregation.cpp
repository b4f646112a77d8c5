#include "generation/disaggregation.hpp"

#include <algorithm>
#include <array>
#include <string>

#include "generation/series_file.hpp"
#include "report/run_ended.hpp"

namespace flowplex {
namespace {

// The block of secondary series 1 rainfall, 2 afforestation, 3 irrigation.
const SeriesBlock& secondary(const RiverSystem& s, int series) { return s.qrec(kRainfall + series - 1); }

// Step 2: the ranked position of the selected year, looked up in the index built at
// load; an unmatched year keeps the previous call's position.
void find_selected_rank(const RiverSystem& s, IndicBlock& in, int k) {
  const int position = s.RANKIDX.RANKPOS(k, in.IYSEL);
  if (position != 0) in.IRANK = position;
  if (in.IRANK < 1 || in.IRANK > s.NREC(k))
    end_run(" *** GAUGE " + std::to_string(k) + ": YEAR " + std::to_string(stored_year(s, in.IYSEL, k)) +
            " IS NOT IN ITS RANKED STREAMFLOW RECORD ***");
}

// How many of the ascending flows R are not above Q (a NaN counts them all), by halving
// without branches: which half holds the answer is a coin toss the processor cannot
// learn, so it is chosen by arithmetic instead of by a jump.
std::size_t count_not_above(std::span<const double> R, double Q) {
  if (R.empty()) return 0;
  const double* b = R.data();
  std::size_t len = R.size();
  while (len > 1) {
    const std::size_t half = len / 2;
    b += Q < b[half - 1] ? 0 : half;
    len -= half;
  }
  return static_cast<std::size_t>(b - R.data()) + (Q < *b ? 0 : 1);
}

// The first position from 2 to n whose ranked flow exceeds Q, or n: a binary search
// where the load found the flows ascending, the scan from the bottom otherwise.
int first_ranked_above(const RiverSystem& s, int k, double Q) {
  const int n = s.NREC(k);
  if (s.RANKIDX.ASCENDS(k)) return 2 + static_cast<int>(count_not_above(s.QREC02.QA.span(n - 1, 2, k), Q));
  for (int i = 2; i <= n; ++i)
    if (s.QREC02.QA(i, k) > Q) return i;
  return n;
}

// Step 3: below, above or within the ranked annual flows. A flow equal to the largest
// is bracketed by the two highest positions, so that the weights are 0 and 1.
void classify(const RiverSystem& s, IndicBlock& in, int k, double Q) {
  const auto& ranked = s.QREC02.QA;
  const int n = s.NREC(k);
  if (Q < ranked(1, k)) {
    in.CLASS = 'S';
    return;
  }
  if (Q > ranked(n, k)) {
    in.CLASS = 'L';
    return;
  }
  const int upper = std::min(first_ranked_above(s, k, Q), n);
  in.INR(1) = std::max(1, upper - 1);
  in.INR(2) = upper;
  in.CLASS = 'N';
}

// Step 4: the months of the ranked year found, scaled to Q. Where the selected year was
// found they are read from the copy kept by stored year (the same values).
void scale_selected_year(const RiverSystem& s, const IndicBlock& in, int k, double Q, Arr<double, kMonths>& monthly) {
  const RankIndexBlock& x = s.RANKIDX;
  const int y = in.IYSEL;
  const bool found = x.RANKPOS(k, y) != 0;
  const double F = found ? x.SELQA(k, y) : s.QREC02.QA(in.IRANK, k);
  const double ratio = F == 0.0 ? 0.0 : Q / F;
  for (int m = 1; m <= kMonths; ++m) monthly(m) = ratio * (found ? x.SELQM(m, k, y) : s.QREC02.QM(m, in.IRANK, k));
}

void report_unmatched_bracket(const RiverSystem& s, const IndicBlock& in, LineWriter& con, int k) {
  const int I = s.NREC(k) + 1;
  // Past the last stored position no year is held; 0 is what an unfilled position holds.
  const int year_at_I = I <= kMaxYears ? s.QREC03.IY(I, k) : 0;
  con.free("ERROR IN SEQPROBE - IN1 OR IN2 = 0");
  con.free("THE PROBLEM FILE IS NUMBER ", k);
  con.free("INR(1) = ", in.INR(1));
  con.free("INR(2) = ", in.INR(2));
  con.free("ISFY(INR(1),IFILE) = ", s.QREC02.IY(in.INR(1), k));
  con.free("ISFY(INR(2),IFILE) = ", s.QREC02.IY(in.INR(2), k));
  con.free("I  IN1  AND IN2 = ", I, in.IN1, in.IN2);
  con.free("IRY(I,IFILE) = ", year_at_I);
}

// Step 7: interpolation weights of the bracketing years and their stored positions.
// Tied bracketing flows (only at the top of the record) take the upper year.
void weigh_bracket(const RiverSystem& s, IndicBlock& in, LineWriter& con, int k, double Q) {
  const double low = s.QREC02.QA(in.INR(1), k);
  const double high = s.QREC02.QA(in.INR(2), k);
  const double D = high - low;
  in.W1 = D == 0.0 ? 0.0 : (high - Q) / D;
  in.W2 = D == 0.0 ? 1.0 : (Q - low) / D;
  in.IN1 = s.RANKIDX.STOREPOS(in.INR(1), k);
  in.IN2 = s.RANKIDX.STOREPOS(in.INR(2), k);
  if (in.IN1 != 0 && in.IN2 != 0) return;
  report_unmatched_bracket(s, in, con, k);
  end_run(" *** GAUGE " + std::to_string(k) + ": A BRACKETING RANKED YEAR IS NOT AMONG THE STORED YEARS ***");
}

// Step 9: afforestation and irrigation are taken off each month; a month they would
// drive below zero is set to zero and counted.
void net_flows(Arr<double, kMonths>& monthly, const Arr<double, kMonths>& afforestation,
               const Arr<double, kMonths>& irrigation, int& negative_months) {
  for (int m = 1; m <= kMonths; ++m) {
    const double x = monthly(m) - afforestation(m) - irrigation(m);
    if (x < 0.0) {
      monthly(m) = 0.0;
      ++negative_months;
    } else {
      monthly(m) = x;
    }
  }
}

// The pairs of one end-member regression: the ranked annual flows of the lowest (end 1)
// or highest (end 2) years, highest first, against the series' annual value of the
// same calendar year. Years outside the stored positions give no pair.
int end_member_pairs(const RiverSystem& s, int k, int end, int series, std::array<double, kRegressionPoints>& x,
                     std::array<double, kRegressionPoints>& y) {
  const int n = s.NREC(k);
  const int base = stored_year(s, 1, k) - 1;
  const SeriesBlock& block = secondary(s, series);
  int count = 0;
  for (int i = 1; i <= std::min(kRegressionPoints, n); ++i) {
    const int p = end == 1 ? i : n - i + 1;
    const int position = s.QREC02.IY(p, k) - base;
    if (position < 1 || position > n) continue;
    x[static_cast<std::size_t>(count)] = s.QREC02.QA(p, k);
    y[static_cast<std::size_t>(count)] = block.QA(position, k);
    ++count;
  }
  return count;
}

// The last position from 1 to n at which year_at(position) equals year, or 0.
template <typename YearAt>
int last_position_of(int year, int n, YearAt year_at) {
  int found = 0;
  for (int i = 1; i <= n; ++i)
    if (year_at(i) == year) found = i;
  return found;
}

}  // namespace

void index_ranked_records(RiverSystem& s) {
  RankIndexBlock& x = s.RANKIDX;
  for (int k = 1; k <= s.PARM.NGAUGE; ++k) {
    const int n = s.NREC(k);
    const auto ranked_year = [&](int i) { return s.QREC02.IY(i, k); };
    const auto year_stored = [&](int i) { return stored_year(s, i, k); };
    for (int p = 1; p <= kMaxYears; ++p) {
      const int rank = last_position_of(stored_year(s, p, k), n, ranked_year);
      x.RANKPOS(k, p) = rank;
      x.SELQA(k, p) = rank != 0 ? s.QREC02.QA(rank, k) : 0.0;
      for (int m = 1; m <= kMonths; ++m) x.SELQM(m, k, p) = rank != 0 ? s.QREC02.QM(m, rank, k) : 0.0;
      x.STOREPOS(p, k) = p <= n ? last_position_of(s.QREC02.IY(p, k), n, year_stored) : 0;
    }
    const auto ranked = s.QREC02.QA.span(n, 1, k);
    // Ascending without a NaN: every flow at most its successor.
    x.ASCENDS(k) = std::adjacent_find(ranked.begin(), ranked.end(),
                                      [](double a, double b) { return !(a <= b); }) == ranked.end();
  }
}

void disagg(const RiverSystem& s, IndicBlock& in, LineWriter& con, int k, double Q, Arr<double, kMonths>& monthly,
            Arr<double, kMonths>& rainfall, Disaggregation mode, int& negative_months) {
  in.INR(1) = 0;
  in.INR(2) = 0;
  find_selected_rank(s, in, k);
  scale_selected_year(s, in, k, Q, monthly);
  if (mode != Disaggregation::extended) return;
  // Only the extended mode reads the class and its bracket, and every call of that mode
  // finds them afresh, so the other modes leave the search out: it is most of the cost
  // of a year, and the months come out the same.
  classify(s, in, k, Q);
  if (in.CLASS == 'N') weigh_bracket(s, in, con, k, Q);
  Arr<double, kMonths> afforestation;
  Arr<double, kMonths> irrigation;
  disag2(s, in, s.QREC03, rainfall, k, 1, Q);
  disag2(s, in, s.QREC04, afforestation, k, 2, Q);
  disag2(s, in, s.QREC05, irrigation, k, 3, Q);
  net_flows(monthly, afforestation, irrigation, negative_months);
}

void disag2(const RiverSystem& s, const IndicBlock& in, const SeriesBlock& block, Arr<double, kMonths>& out, int k,
            int series, double Q) {
  const double B = block.QA(in.IYSEL, k);
  double T = 0.0;
  if (in.CLASS == 'S')
    T = s.LINRG01.RSLOPE(1, series, k) * Q + s.LINRG01.RINT(1, series, k);
  else if (in.CLASS == 'L')
    T = s.LINRG01.RSLOPE(2, series, k) * Q + s.LINRG01.RINT(2, series, k);
  else
    T = in.W1 * block.QA(in.IN1, k) + in.W2 * block.QA(in.IN2, k);
  const double factor = B == 0.0 ? 0.0 : T / B;
  for (int m = 1; m <= kMonths; ++m) out(m) = factor * block.QM(m, in.IYSEL, k);
}

void linreg(std::span<const double> x, std::span<const double> y, int n, double& intercept,
            double& slope) {
  intercept = 0.0;
  slope = 0.0;
  if (n < 1) return;
  double Sx = 0.0, Sy = 0.0, Sxx = 0.0, Sxy = 0.0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
    Sx += x[i];
    Sy += y[i];
    Sxx += x[i] * x[i];
    Sxy += x[i] * y[i];
  }
  const double N = n;
  const double denominator = N * Sxx - Sx * Sx;
  if (Sx != 0.0 && Sy != 0.0 && denominator != 0.0) slope = (N * Sxy - Sx * Sy) / denominator;
  intercept = Sy / N - (Sx / N) * slope;
}

void fit_regressions(RiverSystem& s) {
  std::array<double, kRegressionPoints> x{};
  std::array<double, kRegressionPoints> y{};
  for (int k = 1; k <= s.PARM.NGAUGE; ++k) {
    if (s.NREC(k) < 1) continue;
    for (int end = 1; end <= 2; ++end)
      for (int series = 1; series <= 3; ++series) {
        const int n = end_member_pairs(s, k, end, series, x, y);
        linreg(x, y, n, s.LINRG01.RINT(end, series, k), s.LINRG01.RSLOPE(end, series, k));
      }
  }
}

}  // namespace flowplex
