#include "report/writer.hpp"

namespace flowplex {
namespace {
const Layout kTextLine{"A"};
}

void LineWriter::write_values(const Layout& layout, const Values& values) {
  buffer_.clear();
  layout.format(values, buffer_);
  emit(buffer_);
}

void LineWriter::write_text_line(std::string_view line) { write(kTextLine, line); }

void LineWriter::write_free(const Values& items) {
  buffer_ = free_form_line(items);
  buffer_.push_back('\n');
  emit(buffer_);
}

std::string free_form_line(const Values& items) {
  std::string line = " ";
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Value& v = items[i];
    if (v.kind == Value::Kind::Text)
      line.append(v.text);
    else if (v.kind == Value::Kind::Integer)
      line.append(format_integer(v.integer, 11));
    else
      throw std::logic_error("free-form lines hold texts and integers");
  }
  return line;
}

}  // namespace flowplex
