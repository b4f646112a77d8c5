#pragma once
// Making realizations: the engine behind the library's generation and the command line's
// generation loop. Realization k starts from a fresh generator state at its own place in
// the random stream (jump-ahead), so that any number of them are made side by side;
// where the realizations do not stand alone, one state runs through them in order.
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "flowplex/generation.hpp"
#include "store/generator_state.hpp"
#include "store/option.hpp"
#include "store/river_system.hpp"

namespace flowplex {

// Where one realization's flows go: the caller's own arrays, sized for it.
struct RealizationView {
  std::span<float> flow;        // (year, month, gauge), gauge fastest
  std::span<int> index_year;    // by year, api::kNoIndexYear where none
  std::span<int> start_state;   // IX, IY, IZ
};

// What making one realization left: its console lines, the fault that ended it after
// them (if any), and its flows when the maker keeps them itself.
struct MadeRealization {
  std::string console;
  std::exception_ptr fault;
  std::shared_ptr<api::Realization> flows;
};

// What the realizations are made of.
struct MakerSetup {
  GenerationOption option{kRigorous};
  int years = 0;
  const YearHook* hook = nullptr;
  std::stop_token stop;
};

class RealizationMaker {
 public:
  // The river system must be loaded and checked for the option. Every realization's
  // random stream starts from the stream as the start-up leaves it, at its own place.
  RealizationMaker(const RiverSystem& river, MakerSetup setup);

  bool stand_alone() const { return stand_alone_; }
  // The first realization to be made for a range that starts at `first`: `first` itself,
  // or realization 1 when each carries on from the one before.
  int first_made(int first) const { return stand_alone_ ? first : 1; }

  // Makes realization k (in order of k when the realizations do not stand alone): into
  // `into` when given, else, when `keep` is set, into flows of its own.
  MadeRealization make(int k, bool keep, const std::optional<RealizationView>& into = std::nullopt);

 private:
  const RiverSystem& river_;
  StdatBlock startup_;
  MakerSetup setup_;
  bool stand_alone_;
  std::unique_ptr<GeneratorState> carried_;
};

// Makes realizations first_made(first) to last on up to `threads` threads (one where they
// do not stand alone) and hands each to `deliver` on the calling thread in order of k.
// `into(k)` gives realization k's own arrays, or nothing for flows the maker keeps when
// keep(k) asks for them.
void make_in_order(RealizationMaker& maker, int first, int last, int threads, const std::function<bool(int)>& keep,
                   const std::function<std::optional<RealizationView>(int)>& into,
                   const std::function<void(int, MadeRealization&&)>& deliver);

}  // namespace flowplex
