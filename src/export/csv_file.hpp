#pragma once
// One CSV file as RFC 4180 has it: comma-separated fields, CRLF line ends, a field quoted
// where it holds a comma, a quote or a line end; numbers with a decimal point. Written
// through a temporary file, in blocks, and renamed when complete.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/atomic_file.hpp"

namespace flowplex {

class CsvFile {
 public:
  explicit CsvFile(std::string path);

  const std::string& path() const { return file_.path(); }

  void header(const std::vector<std::string>& names);
  CsvFile& text(std::string_view value);
  CsvFile& number(int value);
  // The shortest text that reads back as the same float32; a value that is not finite
  // cannot be written and ends the run naming the file and the line.
  CsvFile& number(float value);
  // The same for a double, the shortest text that reads back as the same double.
  CsvFile& number(double value);
  // An empty field where the report shows a marker instead of a number.
  CsvFile& number(std::optional<float> value);
  CsvFile& number(std::optional<int> value);
  CsvFile& empty();
  void end_row();

  // Writes what is left and closes the file, which then holds no memory.
  void close();
  // Closes the file if still open and renames it to its final name; returns its digest.
  FileDigest make_final();

 private:
  void separate();
  template <typename Real>
  CsvFile& real(Real value);
  void spill_when_full();

  AtomicTextFile file_;
  std::string buffer_;
  bool in_row_ = false;
  bool closed_ = false;
  long line_ = 1;
};

}  // namespace flowplex
