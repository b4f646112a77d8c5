#include "library/historic_file.hpp"

#include "report/input.hpp"

namespace flowplex {
namespace {

const Layout kHistoricLine{"9X 12(F7.2 1X) F9.2"};

}  // namespace

std::string historic_file_name(const Name& gauge, const std::string& typed) {
  const Text<3> type(typed);
  return std::string(gauge.first_word()) + "." + std::string(type.view());
}

std::vector<std::string> historic_read_notes(const std::string& file, const HistoricRead& read) {
  std::vector<std::string> notes;
  // Reading stops at a line that cannot be read; the user is told where, so that a damaged
  // line does not silently shorten the record the tests compare with.
  if (read.bad_line != 0)
    notes.push_back(" *** HISTORIC FILE " + file + " LINE " + std::to_string(read.bad_line) + ": " + read.why +
                    ": READING STOPS THERE WITH " + std::to_string(read.years) + " YEARS ***");
  if (read.years == 0) notes.push_back(" *** NO YEAR COULD BE READ FROM THE HISTORIC FILE " + file + " ***");
  return notes;
}

HistoricRead read_historic_years(const std::filesystem::path& folder, const std::string& file, HistBlock& hist, int k) {
  LineReader in(file, "HISTORIC FILE", folder);
  Arr<double, kMonths> months;
  HistoricRead read;
  std::string_view line;
  while (read.years < kMaxYears && in.next(line)) {
    if (auto error = kHistoricLine.read(line, months.all())) {
      read.bad_line = in.line_number();
      read.why = *error;
      break;
    }
    ++read.years;
    for (int m = 1; m <= kMonths; ++m) hist.HISTM(read.years, m, k) = static_cast<float>(months(m));
  }
  return read;
}

namespace {

// Each year's twelve months summed in extended precision, stored in single precision.
void historic_totals(HistBlock& hist, int k) {
  for (int y = 1; y <= hist.NYHIST(k); ++y) {
    long double sum = 0.0L;
    for (int m = 1; m <= kMonths; ++m) sum += hist.HISTM(y, m, k);
    hist.HISTYR(y, k) = static_cast<float>(sum);
  }
}

}  // namespace

HistoricRead load_historic_record(const std::filesystem::path& folder, const std::string& file, HistBlock& hist, int k) {
  hist.HISTFILE(k).assign(file);
  const HistoricRead read = read_historic_years(folder, trimmed_name(file), hist, k);
  hist.NYHIST(k) = read.years;
  historic_totals(hist, k);
  return read;
}

}  // namespace flowplex
