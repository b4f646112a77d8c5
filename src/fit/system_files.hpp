#pragma once
// The files of a fitted river system, made in the layouts the program's readers read:
// PARMSET.DAT, the series files of every gauge, PARAMFOR.DAT.
#include <string>
#include <vector>

#include "fit/river_system.hpp"
#include "report/layout.hpp"

namespace flowplex::fit {

struct SystemFile {
  std::string name;
  std::string text;
};

// Every file of the system. A number too wide for its field ends the run with a message
// naming the file and line and suggesting another unit.
std::vector<SystemFile> system_files(const RiverSystem& system);

// The lines of one file, each number checked to fit its field.
class FileText {
 public:
  explicit FileText(std::string name) : file_{std::move(name), {}} {}
  // Numbers (and texts the program made) by a layout.
  void numbers(const Layout& layout, const Values& values, std::string_view what);
  // A text line as it stands (titles and names may hold any character).
  void line(std::string_view text);
  SystemFile done() && { return std::move(file_); }

 private:
  SystemFile file_;
  int lines_ = 0;
};

}  // namespace flowplex::fit
