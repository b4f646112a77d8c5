#pragma once
// The library's side of a run-ending fault: the program's message, and the file and line
// it names, as an exception of the library's own.
#include <utility>

#include "flowplex/errors.hpp"
#include "report/run_ended.hpp"

namespace flowplex {

// Runs step; a fault that would end a run leaves as api::InputError.
template <typename Step>
decltype(auto) as_input_errors(Step&& step) {
  try {
    return std::forward<Step>(step)();
  } catch (const RunEnded& e) {
    throw api::InputError(e.message(), e.file(), e.line());
  }
}

}  // namespace flowplex
