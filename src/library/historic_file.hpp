#pragma once
// A gauge's historic flow file: its name, and its monthly flows read as the run reads them.
#include <filesystem>
#include <string>
#include <vector>

#include "store/store.hpp"

namespace flowplex {

// What reading a historic file gave: the years read and, when reading stopped at a line
// that cannot be read, that line's number (0 otherwise) and what is wrong with it.
struct HistoricRead {
  int years = 0;
  int bad_line = 0;
  std::string why;
};

// The historic file name: the gauge name's first word, ".", the three-character type
// (the first three characters typed, blank-padded).
std::string historic_file_name(const Name& gauge, const std::string& typed);

// What the console says of a historic file whose reading stopped at a line that cannot
// be read or gave no year; nothing for a file read whole.
std::vector<std::string> historic_read_notes(const std::string& file, const HistoricRead& read);

// Reads the monthly flows of the historic file, named relative to `folder`, into HISTM of
// slot k: up to 200 lines, stopping at the end of the file or the first line that cannot
// be read.
HistoricRead read_historic_years(const std::filesystem::path& folder, const std::string& file, HistBlock& hist, int k);

// Slot k's historical record from its historic file `file` (as historic_file_name gives
// it): the file's name, its years of monthly flows, their count and their annual totals.
HistoricRead load_historic_record(const std::filesystem::path& folder, const std::string& file, HistBlock& hist, int k);

}  // namespace flowplex
