#pragma once
// The generator's option (`IOPT`): the values the generator takes, the answers of the
// dialogue that choose them, and every text by which the program names them.
#include <array>
#include <string>
#include <string_view>

namespace flowplex {

// Generator options as the generation loop passes them.
inline constexpr int kRigorous = 0;
inline constexpr int kBootstrapModel = 1;  // bootstrap sequence start, rigorous years
inline constexpr int kBootstrap = 2;
inline constexpr int kForecasting = 3;

// An option the dialogue offers, and its names.
struct OptionTexts {
  int answer = 0;                // as typed in the dialogue
  int IOPT = 0;                  // as the generator takes it
  std::string_view command;      // the word of `run --option`
  std::string_view short_name;   // the exports' name
  std::string_view check_name;   // the `check` command's list of options that can run
  std::string_view description;  // the HTML page's
};

inline constexpr std::array<OptionTexts, 3> kOptionTexts{{
    {0, kRigorous, "rigorous", "rigorous", "RIGOROUS (0)",
     "rigorous multi-site ARMA(2,2), disaggregated by the nearest historical year (option 0)"},
    {1, kBootstrap, "bootstrap", "bootstrap", "BOOTSTRAP (1)", "bootstrap of whole historical years (option 1)"},
    {3, kForecasting, "forecast", "forecasting", "FORECASTING (3)",
     "forecasting mode, continuing the current year (option 3)"},
}};

// The option of a run: one of the table's, or any other value the dialogue passes on as
// typed (which generates rigorous years without a sequence start).
class GenerationOption {
 public:
  explicit constexpr GenerationOption(int IOPT) : IOPT_(IOPT) {}
  // The option the dialogue's answer chooses: the bootstrap is the generator's option 2.
  static constexpr GenerationOption from_answer(int answer) {
    return GenerationOption(answer == 1 ? kBootstrap : answer);
  }

  constexpr int IOPT() const { return IOPT_; }
  constexpr bool forecasting() const { return IOPT_ == kForecasting; }
  constexpr bool bootstrap() const { return IOPT_ == kBootstrap; }
  // Every option but the bootstrap and the forecasting mode splits annual flows into
  // months by a historical year's pattern.
  constexpr bool disaggregates() const { return !bootstrap() && !forecasting(); }

  // The table's entry, or none for a value the dialogue passed on as typed.
  constexpr const OptionTexts* texts() const {
    for (const OptionTexts& t : kOptionTexts)
      if (t.IOPT == IOPT_) return &t;
    return nullptr;
  }
  std::string short_name() const {
    return texts() != nullptr ? std::string(texts()->short_name) : "rigorous years without a sequence start";
  }
  std::string description() const {
    return texts() != nullptr ? std::string(texts()->description) : "option " + std::to_string(IOPT_);
  }

 private:
  int IOPT_;
};

}  // namespace flowplex
