#include "fuzz/fuzz_inputs.hpp"

#include <array>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "generation/forecast.hpp"
#include "generation/parameter_file.hpp"
#include "generation/series_file.hpp"
#include "report/console.hpp"
#include "report/input.hpp"
#include "report/run_ended.hpp"
#include "library/historic_file.hpp"
#include "store/store.hpp"

namespace flowplex::fuzz {
namespace {

void write_file(const std::string& name, Input data) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  if (!out.flush()) throw std::runtime_error("cannot write the fuzz input file " + name);
}

// Runs one reader; a run it ends is the expected outcome of a bad input.
template <typename Read>
void expect_clean_end(Read read) {
  try {
    read();
  } catch (const RunEnded&) {
  }
}

// The store is large: one per process, and before every input the blocks a reader
// writes are copied back from a pristine zero-filled store, so that every input starts
// from the same state.
Store& store() {
  static const std::unique_ptr<Store> work = make_store();
  return *work;
}

const Store& pristine() {
  static const std::unique_ptr<const Store> zero = make_store();
  return *zero;
}

// Blocks of the store or of its river system, by pointer to member.
template <typename T>
void restore(T RiverSystem::*block) {
  store().RIVER.*block = pristine().RIVER.*block;
}
template <typename T>
void restore(T Store::*block) {
  store().*block = pristine().*block;
}
template <typename... Block>
Store& restored(Block... blocks) {
  (restore(blocks), ...);
  return store();
}

// A console that answers nothing and whose output is dropped with every input.
struct QuietConsole {
  std::istringstream in;
  std::ostringstream out;
  Console con{in, out};
};

// Fixed-field layouts of the kinds the readers use: skips, whole numbers, reals with
// and without implied decimals, repeat groups.
const std::array<Layout, 4> kFieldLayouts{Layout{"I5"}, Layout{"4X I4 1X 12(F7.2 1X) F9.2"}, Layout{"10F12.6"},
                                          Layout{"2X 2(I3 F6.0) F4.4"}};
constexpr std::array<std::size_t, 4> kFieldCounts{1, 14, 10, 5};

void read_fixed_lines(LineReader& in, std::uint8_t pick) {
  const std::size_t i = pick % kFieldLayouts.size();
  std::array<double, 16> out{};
  // A smaller count now and then: reading stops once the asked-for fields are read.
  const std::size_t count = (pick & 0x10) ? 1 : kFieldCounts[i];
  for (;;) in.read_fixed(kFieldLayouts[i], std::span(out).first(count), "FIELDS");
}

// Groups of one to eight values; bit v of the pattern makes value v a real.
void read_free_groups(LineReader& in, std::uint8_t pattern) {
  const int size = 1 + (pattern >> 5);
  for (;;) {
    FreeGroup group(in, "GROUP");
    for (int v = 0; v < size; ++v) {
      if (pattern & (1u << (v % 5))) {
        double real = 0.0;
        group.next(real);
      } else {
        int whole = 0;
        group.next(whole);
      }
    }
    group.finish();
  }
}

void read_single_fields(LineReader& in, std::uint8_t decimals) {
  std::string_view line;
  while (in.next(line)) (void)parse_field(line, decimals % 8);
}

// A notation is written by the programmer, not read from a file: a malformed one is a
// logic_error, and only parsing is exercised.
void parse_notation(Input rest) {
  try {
    const Layout layout(std::string_view(reinterpret_cast<const char*>(rest.data()), rest.size()));
  } catch (const std::logic_error&) {
  }
}

constexpr int kSeriesYears = 74;  // lines read from the series file
constexpr int kCommonStart = 1935;
constexpr int kCommonLength = 61;
constexpr int kForecastGauges = 5;

}  // namespace

void layout_input(Input data) {
  if (data.empty()) return;
  const std::uint8_t mode = data[0];
  const Input rest = data.subspan(1);
  if (mode % 4 == 3) return parse_notation(rest);
  write_file("FUZZ.TXT", rest);
  expect_clean_end([&] {
    LineReader in("FUZZ.TXT", "FUZZ INPUT");
    if (mode % 4 == 0) read_fixed_lines(in, static_cast<std::uint8_t>(mode >> 2));
    if (mode % 4 == 1) read_free_groups(in, static_cast<std::uint8_t>(mode >> 2));
    if (mode % 4 == 2) read_single_fields(in, static_cast<std::uint8_t>(mode >> 2));
  });
}

void parameter_file_input(Input data) {
  Store& s = restored(&RiverSystem::PARM, &RiverSystem::DSBASE, &RiverSystem::ANDATA, &RiverSystem::ANN, &RiverSystem::GSUB, &RiverSystem::NREC,
                      &RiverSystem::LINRG01);
  s.RIVER.PARM.PARMFILE.assign("FUZZ.DAT");
  write_file("FUZZ.DAT", data);
  QuietConsole console;
  expect_clean_end([&] { anread(s.RIVER, console.con); });
  // Only a series file found beside the parameter file fills the series blocks.
  for (int g = 1; g <= kMaxGauges; ++g)
    if (s.RIVER.NREC(g) != 0) throw std::logic_error("a series file was read: the fuzz folder must hold none");
}

void series_file_input(Input data) {
  if (data.empty()) return;
  const int type = 1 + data[0] % kSeriesTypes;
  Store& s = restored(&RiverSystem::PARM, &RiverSystem::ANDATA, &RiverSystem::NREC);
  SeriesBlock& block = s.RIVER.qrec(type);
  block = pristine().RIVER.qrec(type);
  s.RIVER.PARM.NGAUGE = 1;
  s.RIVER.PARM.GNAME(1).assign("FUZZ01 FUZZED GAUGE");
  s.RIVER.PARM.ISTART = kCommonStart;
  s.RIVER.PARM.NCOMMON = kCommonLength;
  s.RIVER.ANDATA.NYEARS(1) = kSeriesYears;
  constexpr std::array<std::string_view, kSeriesTypes> kExtensions{".INC", ".RNK", ".RAN", ".AFF", ".IRR"};
  write_file("FUZZ01" + std::string(kExtensions[static_cast<std::size_t>(type - 1)]), data.subspan(1));
  QuietConsole console;
  expect_clean_end([&] { readin(s.RIVER, console.con, block, type); });
}

void historic_file_input(Input data) {
  Store& s = restored(&Store::HIST);
  write_file("FUZZ01.HIS", data);
  expect_clean_end([&] { (void)read_historic_years(s.RIVER.FOLDER, "FUZZ01.HIS", s.HIST, 1); });
}

void forecast_file_input(Input data) {
  Store& s = restored(&RiverSystem::FORE);
  s.RIVER.PARM.NGAUGE = kForecastGauges;
  write_file(kForecastFile, data);
  expect_clean_end([&] { read_forecast_file(s.RIVER, kForecastFile); });
}

Target target_named(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, Target>, 5> kTargets{{
      {"layout", layout_input},
      {"parameter_file", parameter_file_input},
      {"series_file", series_file_input},
      {"historic_file", historic_file_input},
      {"forecast_file", forecast_file_input},
  }};
  for (const auto& [n, t] : kTargets)
    if (n == name) return t;
  return nullptr;
}

}  // namespace flowplex::fuzz
