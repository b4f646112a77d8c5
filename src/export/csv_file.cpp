#include "export/csv_file.hpp"

#include <array>
#include <charconv>
#include <cmath>

namespace flowplex {
namespace {

constexpr std::size_t kBlock = 1 << 20;

bool needs_quotes(std::string_view value) { return value.find_first_of(",\"\r\n") != std::string_view::npos; }

template <typename T>
void append_number(std::string& out, T value) {
  std::array<char, 32> digits{};
  const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  out.append(digits.data(), end);
}

}  // namespace

CsvFile::CsvFile(std::string path) : file_(std::move(path), "CSV FILE") { buffer_.reserve(kBlock + 4096); }

void CsvFile::header(const std::vector<std::string>& names) {
  for (const std::string& name : names) text(name);
  end_row();
}

void CsvFile::separate() {
  if (in_row_) buffer_ += ',';
  in_row_ = true;
}

CsvFile& CsvFile::text(std::string_view value) {
  separate();
  if (!needs_quotes(value)) {
    buffer_ += value;
    return *this;
  }
  buffer_ += '"';
  for (const char c : value) {
    if (c == '"') buffer_ += '"';
    buffer_ += c;
  }
  buffer_ += '"';
  return *this;
}

CsvFile& CsvFile::number(int value) {
  separate();
  append_number(buffer_, value);
  return *this;
}

template <typename Real>
CsvFile& CsvFile::real(Real value) {
  if (!std::isfinite(value))
    export_failed("WRITE", "CSV FILE", path(), "LINE " + std::to_string(line_) + " WOULD HOLD A NUMBER THAT IS NOT FINITE");
  separate();
  append_number(buffer_, value);
  return *this;
}

CsvFile& CsvFile::number(float value) { return real(value); }
CsvFile& CsvFile::number(double value) { return real(value); }

CsvFile& CsvFile::number(std::optional<float> value) { return value ? number(*value) : empty(); }
CsvFile& CsvFile::number(std::optional<int> value) { return value ? number(*value) : empty(); }

CsvFile& CsvFile::empty() {
  separate();
  return *this;
}

void CsvFile::end_row() {
  buffer_ += "\r\n";
  in_row_ = false;
  ++line_;
  spill_when_full();
}

void CsvFile::spill_when_full() {
  if (buffer_.size() < kBlock) return;
  file_.write(buffer_);
  buffer_.clear();
}

void CsvFile::close() {
  if (closed_) return;
  closed_ = true;
  file_.write(buffer_);
  std::string().swap(buffer_);
  file_.close();
}

FileDigest CsvFile::make_final() {
  close();
  return file_.make_final();
}

}  // namespace flowplex
