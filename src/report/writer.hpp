#pragma once
// Where report and console lines go. Every line the system writes is made by a layout
// (write, text) or in free form (free), and passes through a LineWriter.
#include <ostream>
#include <string>
#include <string_view>

#include "report/layout.hpp"

namespace flowplex {

class LineWriter {
 public:
  virtual ~LineWriter() = default;

  // One output statement: the layout applied to the values.
  template <typename... A>
  void write(const Layout& layout, const A&... values) {
    Values v;
    (v.add(values), ...);
    write_values(layout, v);
  }
  void write_values(const Layout& layout, const Values& values);

  // Lines written through the layout A: each text as it stands, one per line.
  template <typename... S>
  void text(const S&... lines) {
    (write_text_line(std::string_view(lines)), ...);
  }

  // A free-form line: one blank, then the items back to back; a text as it stands, an
  // integer right-aligned in 11 columns.
  template <typename... A>
  void free(const A&... items) {
    Values v;
    (v.add(items), ...);
    write_free(v);
  }
  void write_free(const Values& items);

  // Lines made by another writer (each ended by '\n'), passed on as they stand.
  void pass_on(std::string_view lines) { emit(lines); }

 protected:
  // Receives finished lines, each ended by '\n'.
  virtual void emit(std::string_view lines) = 0;

 private:
  void write_text_line(std::string_view line);
  std::string buffer_;
};

// Keeps the lines written to it, to be passed on to another writer later: a sequence
// made on a thread of its own writes its console lines here.
class HeldLines final : public LineWriter {
 public:
  std::string take() { return std::move(held_); }

 protected:
  void emit(std::string_view lines) override { held_.append(lines); }

 private:
  std::string held_;
};

// The free-form line of the items, without its line end.
std::string free_form_line(const Values& items);

}  // namespace flowplex
