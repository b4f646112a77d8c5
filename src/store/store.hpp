#pragma once
// The flow store: every shared block of the system with its fields, types,
// dimensions (first index fastest) and limits. One Store is allocated at start-up,
// zero-filled, and passed by reference to every routine.
#include <memory>

#include "store/array.hpp"
#include "store/option.hpp"
#include "store/text.hpp"

namespace flowplex {

// Limits that size the store.
inline constexpr int kMaxSlots = 15;       // chosen gauges (slot k)
inline constexpr int kMaxGauges = 300;     // gauges in the parameter file (gauge number g)
inline constexpr int kMaxKeys = 300;       // key gauges of the nearest-year search
inline constexpr int kSequences = 41;      // generated sequences (s, ITR)
inline constexpr int kMaxYears = 200;      // years per sequence, per historic file, per common period
inline constexpr int kMonths = 12;         // months of the hydrological year, October first
inline constexpr int kDeviates = 500;      // normal deviates drawn per generated year or month
inline constexpr int kSeriesTypes = 5;     // series file types
inline constexpr int kRegressionPoints = 15;
inline constexpr int kPlotRows = 51;
inline constexpr int kPlotColumns = 101;
inline constexpr int kYieldLevels = 20;
inline constexpr int kReleaseLevels = 5;
inline constexpr int kRunLengths = 10;

using Name = Text<40>;

// Run state set by the dialogue.
struct RunState {
  int NYS = 0;   // stochastic years per sequence
  int IOPT = 0;  // generator option: 0, 2 (typed as 1), 3, or as typed
  int NSEL = 0;  // number of chosen gauges
  Arr<int, kMaxSlots> IGLIST;  // gauge numbers of the chosen gauges, by slot

  constexpr GenerationOption option() const { return GenerationOption(IOPT); }
};

// Generated flows kept for the tests.
struct FlowBlock {
  Arr<float, kMonths, kMaxYears, kSequences, kMaxSlots> FLOW;
  Arr<float, kMaxYears, kSequences, kMaxSlots> FLOWYR;
  // The ranks of each year's flow within its sequence, by month (kMonths + 1: the annual
  // totals), formed once per slot for the monthly correlations, with the tie sum of each
  // series and the years ranked of each slot (0: not ranked).
  Arr<float, kMaxYears, kMonths + 1, kSequences, kMaxSlots> FRANK;
  Arr<float, kMonths + 1, kSequences, kMaxSlots> FTIES;
  Arr<int, kMaxSlots> NRANKED;
};

// Historical flows of the chosen gauges.
struct HistBlock {
  Arr<float, kMaxYears, kMonths, kMaxSlots> HISTM;
  Arr<float, kMaxYears, kMaxSlots> HISTYR;
  Arr<int, kMaxSlots> NYHIST;  // years read from each slot's historic file
  Arr<Text<60>, kMaxSlots> HISTFILE;  // the name of each slot's historic file
};

// The generator's output for the year just made.
struct StoqBlock {
  Arr<double, kMaxGauges, kMonths> QMONTH;
  // The stored position of the historical year it was built from: the nearest year, or
  // the bootstrap's draw (0 in forecasting mode, which follows no historical year).
  int IYUSED = 0;
};

// Random generator state.
struct StdatBlock {
  int NEWSEQ = 0;  // 1: the next generator call starts a new sequence
  int IX = 0;
  int IY = 0;
  int IZ = 0;
  // IX, IY, IZ as the current sequence's start left them, as the console shows them; in
  // forecasting mode, which shows none, as they stood when the sequence started.
  Arr<int, 3> ISEQSTART;
};

// Gauge names and run-wide counts.
struct ParmBlock {
  Arr<Name, kMaxGauges> GNAME;
  int NGAUGE = 0;
  int NCOMMON = 0;
  Name PARMFILE;
  Text<80> TITLE;  // the river system's title, the parameter file's second line
  int ISTART = 0;  // first year of the common period
  int IEND = 0;    // earliest last record year over all gauges
};

// Key gauges of the nearest-year search.
struct DsbaseBlock {
  int NKEY = 0;
  Arr<int, kMaxKeys> KEYG;
};

// Record periods of the gauges.
struct AndataBlock {
  Arr<int, kMaxGauges> NYEARS;   // number of record years
  Arr<int, kMaxGauges> IYSTART;  // first record year
};

// The annual model and its state, by gauge unless said.
struct AnnBlock {
  Arr<double, kMaxGauges> YLAG1, ELAG1;
  Arr<int, kMaxGauges> ITRANS;  // transform type 0 to 4
  Arr<double, kMaxGauges> YLAG2, ELAG2;
  Arr<double, kMaxGauges> TPAR1, TPAR2, TPAR3, TPAR4;
  Arr<double, kMaxGauges> AMEAN, ASD;
  Arr<double, kMaxGauges, kMaxGauges> CMAT1;  // innovation factor matrix
  Arr<double, kMaxGauges> YNEW;
  Arr<double, kMaxGauges> EVEC;  // innovations of the current year (or noise of the month)
  Arr<double, kDeviates> EPS;    // normal deviates of the current year or month
  Arr<double, kMonths> QMON;     // monthly flows of the gauge being disaggregated
  Arr<double, kMonths> RAINMON;  // its monthly rainfall (extended mode only)
  Arr<double, kMaxGauges> E1START, Y1START, E2START, Y2START;
  Arr<double, kMaxGauges> QANN;  // stochastic annual flow of the current year
  Arr<double, kMaxGauges, kMaxGauges> CMAT2, CMAT3, CMAT4, CMAT5;  // sequence-start matrices
  // The first row of each column of CMAT1 and CMAT3 that is not zero, found at load
  // (0: not known, every row counts).
  Arr<int, kMaxGauges> CMAT1TOP, CMAT3TOP;
};

// Parameter-file statistics.
struct GsubBlock {
  Arr<double, kMaxGauges> HSTAT1, HSTAT2, HSTAT3, HSTAT4;
  Arr<double, 2, kMaxGauges> PHI;    // (lag, gauge)
  Arr<double, 2, kMaxGauges> THETA;  // (lag, gauge)
  Arr<double, kMaxGauges> P0;
  Arr<int, kMaxGauges> IZERO;
};

// One series file type: monthly values (month, stored year, gauge), annual values
// (stored year, gauge) and calendar years (stored year, gauge).
struct SeriesBlock {
  Arr<double, kMonths, kMaxYears, kMaxGauges> QM;
  Arr<double, kMaxYears, kMaxGauges> QA;
  Arr<int, kMaxYears, kMaxGauges> IY;
};

// End-member regressions (end 1 low / 2 high, series 1 rainfall / 2 afforestation /
// 3 irrigation, gauge).
struct Linrg01Block {
  Arr<double, 2, 3, kMaxGauges> RINT;
  Arr<double, 2, 3, kMaxGauges> RSLOPE;
};

// State of the disaggregation, kept between calls.
struct IndicBlock {
  double W1 = 0.0, W2 = 0.0;
  int IN1 = 0, IN2 = 0;
  int IYSEL = 0;  // stored year chosen by the nearest-year search
  char CLASS = ' ';
  Arr<int, 2> INR;
  int IRANK = 0;
  int NEGMONTHS = 0;  // negative-month counter of the extended mode
};

// The ranked records indexed at load, so that the disaggregation of a year looks up
// positions instead of searching for them (by gauge).
// The ranked years are also kept by stored year, all gauges of a stored year side by
// side, because each generated year disaggregates every gauge by the same stored year.
struct RankIndexBlock {
  Arr<int, kMaxGauges, kMaxYears> RANKPOS;   // (gauge, stored position) -> last ranked position of its year, 0 none
  Arr<int, kMaxYears, kMaxGauges> STOREPOS;  // ranked position -> last stored position of its year, 0 none
  Arr<bool, kMaxGauges> ASCENDS;             // the ranked annual flows never fall
  Arr<double, kMaxGauges, kMaxYears> SELQA;  // (gauge, stored position): QREC02.QA at RANKPOS
  Arr<double, kMonths, kMaxGauges, kMaxYears> SELQM;  // (month, gauge, stored position): QREC02.QM at RANKPOS
};

// Forecasting-mode data, read from the forecasting parameters at every sequence start.
struct ForecastBlock {
  Arr<double, kMaxGauges, 4> ARC;
  Arr<double, kMaxGauges> SIGE;
  Arr<double, kMaxGauges, kMonths> FMEAN, FSD;
  Arr<double, kMaxGauges, kMonths> QPREV, QCUR;
  Arr<double, kMaxGauges, kMaxGauges> CNOISE;
  Arr<int, kMaxGauges> CNOISETOP;  // first row of each column that is not zero (0: not known)
  Arr<double, kMaxGauges, 4> ZLAG;  // 1 = most recent month
};

struct Store {
  RunState RUN;
  FlowBlock FLOW;
  HistBlock HIST;
  StoqBlock STOQ;
  StdatBlock STDAT;
  ParmBlock PARM;
  DsbaseBlock DSBASE;
  AndataBlock ANDATA;
  AnnBlock ANN;
  GsubBlock GSUB;
  SeriesBlock QREC01, QREC02, QREC03, QREC04, QREC05;  // .INC .RNK .RAN .AFF .IRR
  Arr<int, kMaxGauges> NREC;  // stored years per gauge
  Linrg01Block LINRG01;
  IndicBlock INDIC;
  RankIndexBlock RANKIDX;
  ForecastBlock FORE;
  bool loaded = false;  // the generator's first-call flag: the parameter file has been read

  // The block of series type 1 (.INC) to 5 (.IRR).
  SeriesBlock& qrec(int type);
  const SeriesBlock& qrec(int type) const;
};

// A new, zero-filled store. Allocated once per run; large (tens of megabytes).
std::unique_ptr<Store> make_store();

}  // namespace flowplex
