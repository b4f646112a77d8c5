#include "report/input.hpp"

#include <cctype>
#include <charconv>
#include <cfloat>
#include <cmath>
#include <filesystem>

#include "report/run_ended.hpp"

namespace flowplex {

bool file_exists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec);
}

std::string in_folder(const std::filesystem::path& folder, const std::string& name) {
  return folder.empty() ? name : (folder / name).string();
}

bool file_exists(const std::filesystem::path& folder, const std::string& name) {
  return file_exists(in_folder(folder, name));
}

std::vector<std::string> split_at(std::string_view text, char separator) {
  std::vector<std::string> items;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find(separator, start)) != std::string_view::npos; start = at + 1)
    items.emplace_back(text.substr(start, at - start));
  items.emplace_back(text.substr(start));
  return items;
}

std::string trimmed_name(std::string_view padded) {
  const auto last = padded.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string{} : std::string(padded.substr(0, last + 1));
}

LineReader::LineReader(const std::string& name, std::string_view what, const std::filesystem::path& folder)
    : name_(name) {
  if (const std::string path = in_folder(folder, name); file_exists(path)) file_.open(path, std::ios::in | std::ios::binary);
  if (!file_.is_open())
    throw RunEnded(" *** CANNOT OPEN " + std::string(what) + " " + name_ + " ***", ExitStatus::RunFailed, name_);
}

bool LineReader::next(std::string_view& line) {
  if (!std::getline(file_, buffer_)) {
    ended_ = true;
    return false;
  }
  ++line_number_;
  if (!buffer_.empty() && buffer_.back() == '\r') buffer_.pop_back();
  line = buffer_;
  return true;
}

std::string_view LineReader::need(std::string_view expected) {
  std::string_view line;
  if (!next(line)) {
    ++line_number_;
    fail("FILE ENDS WHERE " + std::string(expected) + " WAS EXPECTED");
  }
  return line;
}

bool LineReader::record(Faults& faults, const std::function<void()>& step) {
  return !ended_ && faults.carry_on(step);
}

void LineReader::skip_text(std::string_view expected) { need(expected); }

void LineReader::read_fixed(const Layout& layout, std::span<double> out, std::string_view expected) {
  const std::string_view line = need(expected);
  if (auto error = layout.read(line, out)) fail(std::string(expected) + ": " + *error);
}

void LineReader::fail(std::string_view what) const {
  throw RunEnded(" *** ERROR IN FILE " + name_ + " LINE " + std::to_string(line_number_) + ": " + std::string(what) +
                     " ***",
                 ExitStatus::RunFailed, name_, line_number_);
}

namespace {
bool separator(char c) { return c == ' ' || c == '\t' || c == ','; }

// The start of a refused item as the console shows it, quoted, with any byte that is
// not printable (a NUL, binary garbage) shown as '?'.
std::string quoted(std::string_view item) {
  std::string text = "\"";
  for (char c : item.substr(0, 20)) text.push_back(std::isprint(static_cast<unsigned char>(c)) ? c : '?');
  return text + "\"";
}
}  // namespace

std::string_view FreeGroup::token() {
  for (;;) {
    while (!rest_.empty() && separator(rest_.front())) rest_.remove_prefix(1);
    if (!rest_.empty()) break;
    rest_ = in_.need(what_);
    started_ = true;
  }
  std::size_t n = 0;
  while (n < rest_.size() && !separator(rest_[n])) ++n;
  const std::string_view t = rest_.substr(0, n);
  rest_.remove_prefix(n);
  return t;
}

void FreeGroup::next(int& v) {
  const std::string_view t = token();
  const char* first = t.data() + (t.front() == '+' ? 1 : 0);
  const auto [end, ec] = std::from_chars(first, t.data() + t.size(), v);
  if (ec != std::errc() || end != t.data() + t.size())
    in_.fail(std::string(what_) + ": " + quoted(t) + " IS NOT A WHOLE NUMBER");
}

void FreeGroup::next(double& v) {
  const std::string_view t = token();
  const auto value = parse_field(t, 0);
  if (!value || t.find(' ') != std::string_view::npos)
    in_.fail(std::string(what_) + ": " + quoted(t) + " IS NOT A NUMBER");
  // Every value ends up in single-precision flows or in arithmetic with them, where a
  // larger one becomes infinite.
  if (std::fabs(*value) > FLT_MAX) in_.fail(std::string(what_) + ": " + quoted(t) + " IS TOO LARGE");
  v = *value;
}

void FreeGroup::finish() { rest_ = {}; }

void read_group(LineReader& in, std::string_view what, std::initializer_list<FreeTarget> targets) {
  FreeGroup group(in, what);
  for (const FreeTarget& t : targets) std::visit([&](auto* p) { group.next(*p); }, t);
  group.finish();
}

}  // namespace flowplex
