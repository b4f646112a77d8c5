#pragma once
// The console: the dialogue's input and output streams (tests pass string streams).
#include <functional>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "report/writer.hpp"

namespace flowplex {

class Console : public LineWriter {
 public:
  Console(std::istream& in, std::ostream& out) : in_(in), out_(out) {}

  // The next typed line without its line end; nothing at the end of input.
  std::optional<std::string> read_line();
  // The next typed line; the end of input ends the run.
  std::string ask_line();
  // Shows the prompt and reads a whole number from lo to hi, refusing anything else
  // with a one-line message and showing the prompt again. The end of input ends the run.
  int ask_whole(const std::function<void()>& prompt, int lo, int hi);

  std::ostream& out() { return out_; }
  // Every line read so far, in order, without its line end: the dialogue's answers.
  const std::vector<std::string>& answers() const { return answers_; }

 protected:
  void emit(std::string_view lines) override;

 private:
  std::istream& in_;
  std::ostream& out_;
  std::vector<std::string> answers_;
};

// A whole number typed on one line (leading and trailing blanks ignored), or nothing.
std::optional<int> parse_whole_number(std::string_view answer);

// The message that ends a run at the end of standard input.
inline constexpr std::string_view kNoMoreInput = " *** NO MORE INPUT: RUN ABANDONED ***";

}  // namespace flowplex
