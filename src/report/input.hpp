#pragma once
// Reading input files line by line: fixed fields by layout, and free-form groups of
// values separated by blanks, tabs or commas that may run over several lines.
// Every failure names the file and the line and ends the run.
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "report/faults.hpp"
#include "report/layout.hpp"

namespace flowplex {

bool file_exists(const std::string& name);

// Where a file named `name` relative to `folder` is opened: the name itself when the
// folder is the working folder (empty). Messages, the manifest and the digests name the
// file as given, relative to its folder.
std::string in_folder(const std::filesystem::path& folder, const std::string& name);
bool file_exists(const std::filesystem::path& folder, const std::string& name);

// The trailing blanks of a blank-padded name taken off, for opening the file.
std::string trimmed_name(std::string_view padded);

// The items of a list separated by `separator`, as written: "a,,b" gives "a", "" and "b".
std::vector<std::string> split_at(std::string_view text, char separator);

class LineReader {
 public:
  // Opens an existing file, named relative to `folder`; ends the run with
  // " *** CANNOT OPEN <what> <name> ***" when it cannot be opened.
  LineReader(const std::string& name, std::string_view what, const std::filesystem::path& folder = {});

  // The next line without its line end (LF or CRLF); false at the end of the file.
  bool next(std::string_view& line);
  // The next line; the end of the file ends the run, saying what was expected.
  std::string_view need(std::string_view expected);
  // Skips one text line; the end of the file ends the run.
  void skip_text(std::string_view expected);

  // Reads the fields of the next line by the layout into out; an unreadable field or
  // the end of the file ends the run, saying what was expected.
  void read_fixed(const Layout& layout, std::span<double> out, std::string_view expected);

  // Reads one record of the file by step. A fault in it ends the run; in a check it is
  // noted and reading goes on with the next record, on the next line. Once the file
  // has ended no later record is read, so that its end is noted once.
  bool record(Faults& faults, const std::function<void()>& step);
  bool ended() const { return ended_; }

  int line_number() const { return line_number_; }
  const std::string& name() const { return name_; }
  // Ends the run: " *** ERROR IN FILE <name> LINE <n>: <what> ***".
  [[noreturn]] void fail(std::string_view what) const;

 private:
  std::string name_;
  std::ifstream file_;
  std::string buffer_;
  int line_number_ = 0;
  bool ended_ = false;
};

// One free-form group: values separated by blanks, tabs or commas, possibly over
// several lines; finish() ends the group, so that the rest of its last line is ignored
// and the next group starts on a new line.
class FreeGroup {
 public:
  FreeGroup(LineReader& in, std::string_view what) : in_(in), what_(what) {}
  void next(int& v);
  void next(double& v);
  void finish();

 private:
  std::string_view token();
  LineReader& in_;
  std::string_view what_;
  std::string_view rest_;
  bool started_ = false;
};

// Reads one whole free-form group into the targets, in order.
using FreeTarget = std::variant<int*, double*>;
void read_group(LineReader& in, std::string_view what, std::initializer_list<FreeTarget> targets);

}  // namespace flowplex
