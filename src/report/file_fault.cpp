#include "report/file_fault.hpp"

#include <cctype>
#include <cstring>

#include "report/run_ended.hpp"

namespace flowplex {

std::string upper_case(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string system_reason(int error) { return upper_case(std::strerror(error)); }

void export_failed(std::string_view doing, std::string_view what, const std::string& path, std::string_view reason) {
  end_run(" *** CANNOT " + std::string(doing) + " THE " + std::string(what) + " " + path + ": " + std::string(reason) +
          " ***");
}

}  // namespace flowplex
