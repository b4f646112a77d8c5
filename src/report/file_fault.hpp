#pragma once
// A file the run cannot make, write or read ends the run with one console line naming the
// file and the system's reason.
#include <string>
#include <string_view>

namespace flowplex {

// Ends the run with " *** CANNOT <doing> THE <what> <path>: <reason> ***".
[[noreturn]] void export_failed(std::string_view doing, std::string_view what, const std::string& path,
                                std::string_view reason);
// Console lines are in upper case, the reasons the libraries give included.
std::string upper_case(std::string text);
// The system's reason for a failure (an errno value), in upper case.
std::string system_reason(int error);

}  // namespace flowplex
