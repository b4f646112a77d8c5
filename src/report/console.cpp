#include "report/console.hpp"

#include <charconv>
#include <climits>

#include "report/run_ended.hpp"

namespace flowplex {

bool Console::showing() const {
  if (failing_ || shown_ == Shown::Everything) return true;
  return shown_ == Shown::AllButQuestions && questions_ == 0;
}

void Console::emit(std::string_view lines) {
  if (!showing()) return;
  if (step_aside_) step_aside_();
  out_.write(lines.data(), static_cast<std::streamsize>(lines.size()));
}

namespace {
// Holds a console state for the length of a scope, however the scope ends.
template <typename T>
class Holding {
 public:
  Holding(T& state, T value) : state_(state), before_(state) { state_ = value; }
  ~Holding() { state_ = before_; }
  Holding(const Holding&) = delete;
  Holding& operator=(const Holding&) = delete;

 private:
  T& state_;
  T before_;
};
}  // namespace

void Console::question(const std::function<void()>& lines) {
  const Holding<int> asking(questions_, questions_ + 1);
  lines();
}

void Console::failure(std::string_view line) {
  const Holding<bool> failing(failing_, true);
  text(line);
}

std::optional<std::string> Console::read_line() {
  out_.flush();
  std::string line;
  if (!std::getline(in_, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  answers_.push_back(line);
  return line;
}

std::string Console::next_answer() {
  auto line = read_line();
  if (!line) end_run(std::string(kNoMoreInput));
  return *line;
}

std::string Console::ask_line(const std::function<void()>& question_lines) {
  question(question_lines);
  return next_answer();
}

int Console::ask_whole(const std::function<void()>& prompt, int lo, int hi) {
  for (;;) {
    const auto answer = parse_whole_number(ask_line(prompt));
    if (answer && *answer >= lo && *answer <= hi) return *answer;
    question([&] {
      if (lo == INT_MIN && hi == INT_MAX)
        free(" *** ENTER A WHOLE NUMBER ***");
      else
        free(" *** ENTER A WHOLE NUMBER FROM ", std::to_string(lo), " TO ", std::to_string(hi), " ***");
    });
  }
}

std::optional<int> parse_whole_number(std::string_view answer) {
  const auto first = answer.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::nullopt;
  const auto last = answer.find_last_not_of(" \t");
  std::string_view s = answer.substr(first, last - first + 1);
  if (s.front() == '+') s.remove_prefix(1);
  int v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace flowplex
