#pragma once
// The river system: the parameter file, the historical series, the end-member regressions,
// the key gauges and the forecasting parameters. Loaded once before the first sequence and
// from then on only read, by every sequence at once.
#include <filesystem>

#include "store/limits.hpp"

namespace flowplex {

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

// The annual model, by gauge unless said. Its recursion is a sequence's own
// (AnnualRecursion).
struct AnnualModel {
  Arr<int, kMaxGauges> ITRANS;  // transform type 0 to 4
  Arr<double, kMaxGauges> TPAR1, TPAR2, TPAR3, TPAR4;
  Arr<double, kMaxGauges> AMEAN, ASD;
  Arr<double, kMaxGauges, kMaxGauges> CMAT1;  // innovation factor matrix
  Arr<double, kMaxGauges> E1START, Y1START, E2START, Y2START;
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

// The forecasting mode's model and the recorded flows it starts from, read from the
// forecasting parameters once before the first sequence: every sequence starts alike.
struct ForecastModel {
  Arr<double, kMaxGauges, 4> ARC;
  Arr<double, kMaxGauges> SIGE;
  Arr<double, kMaxGauges, kMonths> FMEAN, FSD;
  Arr<double, kMaxGauges, kMonths> QPREV, QCUR;
  Arr<double, kMaxGauges, kMaxGauges> CNOISE;
  Arr<int, kMaxGauges> CNOISETOP;  // first row of each column that is not zero (0: not known)
  int MSTART = 0;                  // the first month generated, the earliest not yet recorded
  Arr<double, kMaxGauges, 4> ZSTART;  // the lags every sequence starts from, 1 = most recent month
};

struct RiverSystem {
  // The folder its files are read from (empty: the working folder). Their names stay
  // relative to it wherever the program names them.
  std::filesystem::path FOLDER;
  ParmBlock PARM;
  DsbaseBlock DSBASE;
  AndataBlock ANDATA;
  AnnualModel ANN;
  GsubBlock GSUB;
  SeriesBlock QREC01, QREC02, QREC03, QREC04, QREC05;  // .INC .RNK .RAN .AFF .IRR
  Arr<int, kMaxGauges> NREC;  // stored years per gauge
  Linrg01Block LINRG01;
  RankIndexBlock RANKIDX;
  ForecastModel FORE;
  bool loaded = false;  // the parameter file and the series have been read

  // The block of series type 1 (.INC) to 5 (.IRR).
  SeriesBlock& qrec(int type);
  const SeriesBlock& qrec(int type) const;
};

}  // namespace flowplex
