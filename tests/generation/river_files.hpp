#pragma once
// Small river systems written into a scratch directory, which becomes the current
// directory for the test (series files are looked for by stem relative to it).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "report/console.hpp"
#include "report/run_ended.hpp"
#include "store/store.hpp"
#include "test_support.hpp"

namespace flowplex::testing {

struct GaugeRecord {
  std::string name;
  int years;
  int first_year;
};

// One yearly series line: 4X I4 1X 12(F7.2 1X) F9.2.
inline std::string series_line(int year, const std::vector<double>& months, double total = 0.0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "    %4d ", year);
  std::string line = buf;
  for (int m = 0; m < 12; ++m) {
    std::snprintf(buf, sizeof buf, "%7.2f ", m < static_cast<int>(months.size()) ? months[static_cast<std::size_t>(m)] : 0.0);
    line += buf;
  }
  std::snprintf(buf, sizeof buf, "%9.2f", total);
  return line + buf + "\n";
}

// The lines of years first..last, month m of year y holding (y - 1900) + m / 100.
inline std::string series_years(int first, int last) {
  std::string text;
  for (int y = first; y <= last; ++y) {
    std::vector<double> months;
    for (int m = 1; m <= 12; ++m) months.push_back((y - 1900) + m / 100.0);
    text += series_line(y, months, 999.0);
  }
  return text;
}

// A parameter file of the gauges; matrix element (g, j) holds g + j / 1000, written
// without a decimal point (6 implied decimals).
inline std::string parameter_file(const std::vector<GaugeRecord>& gauges, const std::string& keys = "1 1") {
  const int n = static_cast<int>(gauges.size());
  std::ostringstream f;
  f << n << "\nTITLE\n" << keys << "\nGAUGE RECORDS\n";
  for (const GaugeRecord& g : gauges) {
    f << g.name << "\n" << g.years << " " << g.first_year << " 0.1 0.2 0.3 0.4\n";
    f << "2, 1.5, 2.5, 3.5, 4.5\n";
    f << "10.0 2.0 0.5 -0.25 0.125 0.0 0.01 0\n";
    f << "100.0 20.0 -3.5E1 1.0E-2\n";
    f << "------\n";
  }
  const auto matrix = [&] {
    for (int g = 1; g <= n; ++g)
      for (int j = 1; j <= n; ++j) {
        char field[16];
        std::snprintf(field, sizeof field, "%12d", g * 1000000 + j * 1000);
        f << field << ((j % 10 == 0 || j == n) ? "\n" : "");
      }
  };
  f << "CMAT1\n";
  matrix();
  for (int i = 2; i <= 5; ++i) {
    f << "CMAT" << i << "\nHEADING\n";
    matrix();
  }
  return f.str();
}

class RiverDirectory : public ::testing::Test {
 protected:
  void SetUp() override { store_ = make_store(); }
  static void write(const std::string& name, const std::string& text) { std::ofstream(name) << text; }

  RiverSystem& s() { return store_->RIVER; }
  Store& store() { return *store_; }
  std::istringstream in_;
  std::ostringstream out_;
  Console con_{in_, out_};

 private:
  ScratchDir dir_;
  std::unique_ptr<Store> store_;
};

}  // namespace flowplex::testing
