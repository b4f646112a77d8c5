#include "stress/combine.hpp"

#include <algorithm>
#include <numeric>

#include "flowplex/errors.hpp"

namespace flowplex::stress {
namespace {

using api::RequestError;

std::string range_text(const Figures& f) { return std::to_string(f.first) + "-" + std::to_string(f.last); }

// What in a shard's design differs from the first shard's, or nothing.
std::string difference(const Design& a, const Design& b) {
  if (a.input_digest != b.input_digest) return "its input digest differs: it was made from other input files";
  if (a.slots != b.slots) return "its gauges differ";
  if (a.scenarios != b.scenarios || a.grid != b.grid) return "its scenarios differ";
  if (a.option != b.option || a.years != b.years) return "its option or years differ";
  if (a.yields != b.yields || a.reliabilities != b.reliabilities || a.storages != b.storages)
    return "its yields, reliabilities or storages differ";
  if (a.projections != b.projections) return "its projections differ";
  return {};
}

// Shard i's figures in their place among realizations 1 to N.
void place(const Design& d, const Figures& part, Figures& whole) {
  const std::size_t slots = d.slots.size(), yields = d.yields.size();
  const std::size_t n = static_cast<std::size_t>(whole.count()), count = static_cast<std::size_t>(part.count());
  const std::size_t offset = static_cast<std::size_t>(part.first - 1);
  for (std::size_t s = 0; s < d.scenarios.size(); ++s) {
    const auto from = part.droughts.begin() + static_cast<long>(s * count * slots);
    std::copy(from, from + static_cast<long>(count * slots), whole.droughts.begin() + static_cast<long>((s * n + offset) * slots));
    const auto storage = part.required_storage.begin() + static_cast<long>(s * count * slots * yields);
    std::copy(storage, storage + static_cast<long>(count * slots * yields),
              whole.required_storage.begin() + static_cast<long>((s * n + offset) * slots * yields));
  }
}

}  // namespace

Shard combined(const std::vector<std::string>& paths, std::vector<Shard> shards) {
  for (std::size_t i = 1; i < shards.size(); ++i)
    if (const std::string why = difference(shards[0].design, shards[i].design); !why.empty())
      throw RequestError(paths[i] + ": " + why + " (against " + paths[0] + ")");
  std::vector<std::size_t> order(shards.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return shards[a].figures.first < shards[b].figures.first; });
  int next = 1;
  for (const std::size_t i : order) {
    const Figures& f = shards[i].figures;
    if (f.first > next)
      throw RequestError("realizations " + std::to_string(next) + "-" + std::to_string(f.first - 1) + " are in no shard");
    if (f.first < next) throw RequestError(paths[i] + ": its realizations " + range_text(f) + " overlap another shard's");
    next = f.last + 1;
  }
  const Design& d = shards[0].design;
  Shard whole{d, {1, next - 1, {}, {}}};
  const std::size_t cells = d.scenarios.size() * static_cast<std::size_t>(whole.figures.count()) * d.slots.size();
  whole.figures.droughts.resize(cells);
  whole.figures.required_storage.resize(cells * d.yields.size());
  for (const Shard& s : shards) place(d, s.figures, whole.figures);
  return whole;
}

}  // namespace flowplex::stress
