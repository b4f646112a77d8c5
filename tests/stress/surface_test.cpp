#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "flowplex/errors.hpp"
#include "stress/combine.hpp"
#include "stress/scenarios.hpp"
#include "stress/surface.hpp"
#include "stress/small_surface.hpp"

namespace flowplex::stress {
namespace {

using testing::figures_of;
using testing::same_bits;
using testing::small_design;
using testing::tagged_figures;

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// One climate, one gauge, one yield: the realizations' required storages as given.
Surface surface_of_storages(const std::vector<float>& storages, std::vector<int> reliabilities,
                            std::vector<double> capacities = {}) {
  Design d;
  d.slots = {{1, 1, "G", 10.0F}};
  d.scenarios = {{"mean=1,cv=1", 1.0, 1.0, {1.0}}};
  d.yields = {50};
  d.reliabilities = std::move(reliabilities);
  d.storages = std::move(capacities);
  Figures f = figures_of(d, 1, static_cast<int>(storages.size()),
                         [&](std::size_t, int r, std::size_t, std::size_t) { return storages[static_cast<std::size_t>(r - 1)]; });
  return surface_of(std::move(d), std::move(f));
}

// ---- the storage at a reliability and the reliability of a storage ---------------------

TEST(StorageAtReliability, IsTheCeilOfPNOver100thSmallestOfAllTheRealizations) {
  // Ten realizations, in no order.
  EXPECT_EQ(surface_of_storages({7, 3, 10, 1, 9, 2, 8, 4, 6, 5}, {1, 10, 11, 50, 89, 90, 91, 99}).cells[0][0].storage[0],
            (std::vector<std::optional<float>>{1, 1, 2, 5, 9, 9, 10, 10}));
  // Two need more than any storage and count as failing: 80 % is supplied, 81 % is not.
  // Dropping them instead would give the 90 % value of eight, a storage of 8.
  EXPECT_EQ(surface_of_storages({kInf, 3, 1, kNaN, 7, 2, 8, 4, 6, 5}, {80, 81, 90}).cells[0][0].storage[0],
            (std::vector<std::optional<float>>{8, std::nullopt, std::nullopt}));
}

TEST(ReliabilityOfStorage, IsTheShareOfAllRealizationsNeedingAtMostTheStorage) {
  // A storage exactly the one needed suffices; a realization no storage supplies never does.
  EXPECT_EQ(surface_of_storages({kInf, 3, 1, kNaN, 7, 2, 8, 4, 6, 5}, {90}, {0.5, 4.5, 5, 1e30}).cells[0][0].reliability[0],
            (std::vector<double>{0.0, 40.0, 50.0, 80.0}));
}

TEST(Surface, TakesEachCellFromItsOwnScenarioSlotAndYield) {
  const Design d = small_design();
  const Surface s = surface_of(d, tagged_figures(d, 1, 10));
  ASSERT_EQ(s.cells.size(), 3U);
  for (std::size_t sc = 0; sc < 3; ++sc)
    for (std::size_t k = 0; k < 2; ++k)
      for (std::size_t y = 0; y < 3; ++y) {
        // 90 % of ten is the 9th smallest, 95 % the 10th; slot 2's realization 4 fails.
        const float base = 0.25F * static_cast<float>(sc) + 0.5F * static_cast<float>(k) + 100.0F * static_cast<float>(y);
        EXPECT_EQ(s.cells[sc][k].storage[y][0], k == 1 ? std::optional(base + 10) : std::optional(base + 9)) << sc << k << y;
        EXPECT_EQ(s.cells[sc][k].storage[y][1], k == 1 ? std::nullopt : std::optional(base + 10)) << sc << k << y;
      }
  // The drought medians: the 5th smallest of ten, the droughts' own tags.
  EXPECT_EQ(s.cells[2][1].drought_median[0], 2051.0F);
  EXPECT_EQ(s.cells[2][1].drought_median[2], 2052.0F);
  EXPECT_EQ(s.cells[2][1].drought_median[3], 2051.0F * 3);
}

// ---- what no storage sustains -----------------------------------------------------------

TEST(Sustainable, IsAYieldBelowTheScenariosMeanAnnualFlow) {
  // Every level against mean factors that equal it as typed on a grid: at the mean annual
  // flow a yield is not sustainable, one level below it is.
  const std::vector<double> means = grid_axis("0.05:1.1:0.05");
  for (const double m : means) {
    const ScenarioLabel l{factor_text(m), m, 1.0, {m}};
    for (int y = 5; y <= 100; y += 5) {
      const bool below = y < static_cast<int>(std::lround(m * 100));
      EXPECT_EQ(sustainable(l, 0, y), below) << "yield " << y << " % MAR at mean factor " << factor_text(m);
    }
  }
  // Each slot by its own gauge's factor.
  const ScenarioLabel two{"file", std::nullopt, std::nullopt, {0.5, 0.8}};
  EXPECT_FALSE(sustainable(two, 0, 50));
  EXPECT_TRUE(sustainable(two, 1, 50));
  EXPECT_TRUE(sustainable(ScenarioLabel{"x", 0.5000001, 1.0, {0.5000001}}, 0, 50));
}

// ---- shards combined ----------------------------------------------------------------------

std::vector<Shard> shards_of(const Design& d, const std::vector<std::pair<int, int>>& blocks) {
  std::vector<Shard> out;
  for (const auto& [first, last] : blocks) out.push_back({d, tagged_figures(d, first, last)});
  return out;
}

std::vector<std::string> paths_of(std::size_t n) {
  std::vector<std::string> paths;
  for (std::size_t i = 0; i < n; ++i) paths.push_back("shard" + std::to_string(i + 1) + ".nc");
  return paths;
}

std::string refusal(const std::vector<Shard>& shards) {
  try {
    combined(paths_of(shards.size()), shards);
  } catch (const api::RequestError& e) {
    return e.what();
  }
  ADD_FAILURE() << "the shards were combined";
  return {};
}

TEST(CombinedShards, InAnyOrderAreTheFiguresOfTheWhole) {
  const Design d = small_design();
  const Figures whole = tagged_figures(d, 1, 10);
  for (const auto& blocks : {std::vector<std::pair<int, int>>{{1, 10}},
                             std::vector<std::pair<int, int>>{{1, 3}, {4, 4}, {5, 10}},
                             std::vector<std::pair<int, int>>{{5, 10}, {1, 3}, {4, 4}},
                             std::vector<std::pair<int, int>>{{9, 10}, {4, 8}, {1, 3}}}) {
    const Shard c = combined(paths_of(blocks.size()), shards_of(d, blocks));
    EXPECT_EQ(c.design, d);
    EXPECT_EQ(c.figures.first, 1);
    EXPECT_EQ(c.figures.last, 10);
    EXPECT_TRUE(same_bits(c.figures.required_storage, whole.required_storage)) << blocks.front().first;
    EXPECT_EQ(c.figures.droughts, whole.droughts) << blocks.front().first;
  }
}

TEST(CombinedShards, RefuseRealizationsMissingOrTwice) {
  const Design d = small_design();
  EXPECT_EQ(refusal(shards_of(d, {{1, 3}, {6, 10}})), "realizations 4-5 are in no shard");
  EXPECT_EQ(refusal(shards_of(d, {{6, 10}, {3, 5}})), "realizations 1-2 are in no shard");
  EXPECT_EQ(refusal(shards_of(d, {{1, 5}, {4, 10}})), "shard2.nc: its realizations 4-10 overlap another shard's");
  // The same shard twice: whichever comes second overlaps.
  EXPECT_EQ(refusal(shards_of(d, {{6, 10}, {1, 5}, {6, 10}})).substr(7), "nc: its realizations 6-10 overlap another shard's");
}

TEST(CombinedShards, RefuseAShardOfAnotherStressTestNamingHow) {
  const Design d = small_design();
  const auto with = [&](const std::function<void(Design&)>& change) {
    std::vector<Shard> shards = shards_of(d, {{1, 5}, {6, 10}, {11, 12}});
    change(shards[2].design);
    return refusal(shards);
  };
  const std::string against = " (against shard1.nc)";
  EXPECT_EQ(with([](Design& o) { o.input_digest = "sha256:ffff"; }),
            "shard3.nc: its input digest differs: it was made from other input files" + against);
  EXPECT_EQ(with([](Design& o) { o.slots[1].gauge = 6; }), "shard3.nc: its gauges differ" + against);
  EXPECT_EQ(with([](Design& o) { o.scenarios[1].cv_factor = 1.2; }), "shard3.nc: its scenarios differ" + against);
  EXPECT_EQ(with([](Design& o) { o.scenarios.pop_back(); }), "shard3.nc: its scenarios differ" + against);
  EXPECT_EQ(with([](Design& o) { o.years = 31; }), "shard3.nc: its option or years differ" + against);
  EXPECT_EQ(with([](Design& o) { o.option = "bootstrap"; }), "shard3.nc: its option or years differ" + against);
  EXPECT_EQ(with([](Design& o) { o.reliabilities = {90, 98}; }),
            "shard3.nc: its yields, reliabilities or storages differ" + against);
  EXPECT_EQ(with([](Design& o) { o.projections.clear(); }), "shard3.nc: its projections differ" + against);
}

}  // namespace
}  // namespace flowplex::stress
