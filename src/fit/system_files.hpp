#pragma once
// The files of a fitted river system, made in the layouts the program's readers read:
// PARMSET.DAT, the series files of every gauge, PARAMFOR.DAT.
#include <string>
#include <vector>

#include "fit/river_system.hpp"

namespace flowplex::fit {

struct SystemFile {
  std::string name;
  std::string text;
};

// Every file of the system. A number too wide for its field ends the run with a message
// naming the file and line and suggesting another unit.
std::vector<SystemFile> system_files(const RiverSystem& system);

}  // namespace flowplex::fit
