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

// What a console shows: everything, as the dialogue does; all but the questions, for a
// run whose answers are given on its command line; or only what made a run fail.
enum class Shown { Everything, AllButQuestions, OnlyFailures };

class Console : public LineWriter {
 public:
  Console(std::istream& in, std::ostream& out, Shown shown = Shown::Everything)
      : in_(in), out_(out), shown_(shown) {}

  // The next typed line without its line end; nothing at the end of input.
  std::optional<std::string> read_line();
  // Writes the question, then reads the next typed line; the end of input ends the run.
  std::string ask_line(const std::function<void()>& question);
  // Shows the prompt and reads a whole number from lo to hi, refusing anything else
  // with a one-line message and showing the prompt again. The end of input ends the run.
  int ask_whole(const std::function<void()>& prompt, int lo, int hi);
  // Writes the lines of a question: a prompt, the headings and notes that go with it.
  void question(const std::function<void()>& lines);
  // Writes a line of the message that ends a run as failed, which every console shows.
  void failure(std::string_view line);

  // Called before every line the console shows: lets a progress line drawn on the same
  // terminal step aside.
  void before_each_write(std::function<void()> step_aside) { step_aside_ = std::move(step_aside); }

  // Every line read so far, in order, without its line end: the dialogue's answers.
  const std::vector<std::string>& answers() const { return answers_; }

 protected:
  void emit(std::string_view lines) override;

 private:
  std::string next_answer();
  bool showing() const;
  std::istream& in_;
  std::ostream& out_;
  Shown shown_;
  int questions_ = 0;  // questions being written
  bool failing_ = false;
  std::function<void()> step_aside_;
  std::vector<std::string> answers_;
};

// A whole number typed on one line (leading and trailing blanks ignored), or nothing.
std::optional<int> parse_whole_number(std::string_view answer);

// The message that ends a run at the end of standard input.
inline constexpr std::string_view kNoMoreInput = " *** NO MORE INPUT: RUN ABANDONED ***";

}  // namespace flowplex
