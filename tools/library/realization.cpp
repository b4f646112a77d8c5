// flowplex_realization FOLDER YEARS OPTION K: every monthly flow of realization K of the
// river system in FOLDER, made through the library alone. One line per month, years in
// order, each gauge's value as the shortest text that reads back as the same float, the
// gauges separated by blanks. A check that the library and the command line's exports
// give the same flows, and the smallest example of a program built on the library.
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <string>
#include <system_error>

#include "flowplex/flowplex.hpp"

namespace {

std::string shortest(float q) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, q).ptr;
  return {text, end};
}

int whole_number(const char* text, const char* what) {
  int value = 0;
  const std::string s(text);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc() || end != s.data() + s.size())
    throw flowplex::api::RequestError(std::string(what) + ": \"" + s + "\" is not a whole number");
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: flowplex_realization FOLDER YEARS OPTION K  (OPTION: rigorous, bootstrap, forecast)\n";
    return 2;
  }
  namespace api = flowplex::api;
  try {
    const api::RiverSystem system = api::RiverSystem::open(argv[1]);
    const int years = whole_number(argv[2], "YEARS");
    const api::Option option = api::option_named(argv[3]);
    const api::Realization r = api::make_realization(system, option, years, whole_number(argv[4], "K"));
    for (int y = 1; y <= r.NYS; ++y)
      for (int m = 1; m <= api::kMonthsPerYear; ++m) {
        std::string line;
        for (int g = 1; g <= r.NGAUGE; ++g) line += (g == 1 ? "" : " ") + shortest(r.at(g, m, y));
        std::cout << line << '\n';
      }
    return std::cout.flush() ? 0 : 1;
  } catch (const api::RequestError& e) {
    std::cerr << "flowplex_realization: " << e.what() << '\n';
    return 2;
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 1;
  }
}
